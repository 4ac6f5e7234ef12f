#pragma once

#include "SettingsMain.h"
#include "TextUtil.h"

#include <QColor>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace okulon::test {

// A window that only remembers what its storage gives it.
struct FakeWindow : IStoredWindow {
    WindowGeometry geometry;
    QMap<QString, QString> named;
    WindowGeometry storedGeometry() const override { return geometry; }
    void restoreGeometry(const WindowGeometry& g) override { geometry = g; }
    QString storedValue(const QString& name) const override { return named.value(name); }
    void restoreValue(const QString& name, const QString& value) override { named[name] = value; }
};

// The settings subsystem of a program living in a temporary folder, with the
// built-in English language applied as at start-up.
class SettingsFixture : public ::testing::Test {
public:
    SettingsFixture()
        : programPath(dir.path() + "/okulon")
        , localisation(store, dir.path())
        , profiles(store, localisation, programPath)
    {
        for (int s = 0; s < Profiles::StorageCount; ++s)
            profiles.storage(static_cast<Profiles::Storage>(s)).setWindow(&windows[s]);
        profiles.setApplyConfiguration([this](const QString& f) { applied.append(f); });
        profiles.ResetSettingsToDefaults();
    }

protected:
    QString path(const QString& name) const { return dir.path() + "/" + name; }

public:
    static void writeFile(const QString& file, const QByteArray& bytes)
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    static QByteArray readFile(const QString& file)
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

protected:
    QTemporaryDir dir;
    QString programPath;
    ParameterStore store;
    Localisation localisation;
    Profiles profiles;
    std::array<FakeWindow, Profiles::StorageCount> windows;
    QStringList applied; // profile names the configuration was applied with
};

} // namespace okulon::test
