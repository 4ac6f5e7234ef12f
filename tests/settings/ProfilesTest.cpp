#include "SettingsFixture.h"

#include "IniFile.h"

#include <sys/resource.h>
#include <csignal>

namespace okulon::test {
namespace {

using ProfilesTest = SettingsFixture;

[[noreturn]] void saveWithFileSizeLimit(Profiles& profiles, const QString& file, rlim_t bytes)
{
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{bytes, bytes};
    setrlimit(RLIMIT_FSIZE, &limit);
    std::_Exit(profiles.SaveProfileFile(file) ? 0 : 3);
}

QByteArray fixture(const char* name)
{
    QFile f(QStringLiteral(OKULON_TEST_DATA) + "/" + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST_F(ProfilesTest, ResetProfileWritesTheDefaultProfileByteForByte)
{
    ASSERT_TRUE(profiles.ResetProfileFile());
    const QByteArray written = readFile(profiles.defaultProfileFile());
    EXPECT_EQ(written, fixture("default_profile.ini"));

    const QList<QByteArray> lines = written.split('\n');
    ASSERT_EQ(lines.size(), 173); // 172 lines, each ended by CR LF
    EXPECT_EQ(lines[0], "[TApplication.Form_Pol]\r");
    EXPECT_EQ(lines[5], "\r");
    EXPECT_EQ(lines[23], "ParameterCount=125\r");
    EXPECT_EQ(lines[24 + 26], "ParameterItem27=150\r");
    EXPECT_EQ(lines[171], "Form_Sco9_Width=0\r");
    EXPECT_TRUE(lines[172].isEmpty());
    // Every item but 27 holds the built-in default.
    for (int k = 1; k <= 125; ++k) {
        if (k == 27)
            continue;
        EXPECT_EQ(QString::fromUtf8(lines[23 + k].chopped(1)),
                QString("ParameterItem%1=%2").arg(k).arg(ParameterStore::defaultLine(k - 1)));
    }
    // ...and it is loaded with apply.
    EXPECT_EQ(store.GetParamInt(27), 150);
    EXPECT_EQ(windows[Profiles::FormSettings].geometry, (WindowGeometry{340, 0, 580, 580}));
    EXPECT_EQ(windows[Profiles::FormPol].geometry, (WindowGeometry{0, 260, 320, 120}));
    EXPECT_EQ(store.columnWidth(ParameterStore::ValueColumn), 100);
    EXPECT_EQ(applied, QStringList{profiles.defaultProfileFile()});
}

TEST_F(ProfilesTest, DefaultProfileFileIsNamedAfterTheProgram)
{
    EXPECT_EQ(ProfileFileFor("/opt/x/okulon"), "/opt/x/okulon.ini");
    EXPECT_EQ(ProfileFileFor("/opt/x/prog.exe"), "/opt/x/prog.ini");
    EXPECT_EQ(ProfileFileFor("/opt/x.y/a.b.exe"), "/opt/x.y/a.b.ini");
    EXPECT_EQ(profiles.defaultProfileFile(), programPath + ".ini");
}

TEST_F(ProfilesTest, SaveThenLoadRestoresEveryValueAndGeometry)
{
    const QStringList tricky = {
        "  leading", "trailing  ", " both ", "a=b=c", "=x", "Клавиатура — ввод", "", "\"quoted\"", "\"",
        "'single'", "tab\tinside", "; not a comment", "[not a section]", "ParameterCount=3", "100%", "x\\y",
    };
    for (int i = 0; i < tricky.size(); ++i)
        store.setParamText(40 + i, tricky[i]);
    store.setValueColumnWidth(123);
    for (int s = 0; s < Profiles::StorageCount; ++s)
        windows[s].geometry = {10 + s, -20 - s, 300 + s, 200 + s};
    windows[Profiles::RaspGlaz].named["pic2_Left"] = "7";
    windows[Profiles::RaspGlaz].named["pic2_Top"] = "24";
    const QStringList before = store.values();

    const QString file = path("saved.ini");
    ASSERT_TRUE(profiles.SaveProfileFile(file));

    ParameterStore store2;
    Localisation localisation2(store2, dir.path());
    Profiles profiles2(store2, localisation2, path("other/okulon"));
    std::array<FakeWindow, Profiles::StorageCount> windows2;
    for (int s = 0; s < Profiles::StorageCount; ++s)
        profiles2.storage(static_cast<Profiles::Storage>(s)).setWindow(&windows2[s]);
    profiles2.LoadSettingsFile(file, true);

    EXPECT_EQ(store2.values(), before);
    for (int i = 0; i < tricky.size(); ++i)
        EXPECT_EQ(store2.value(39 + i), tricky[i]) << i;
    EXPECT_EQ(store2.columnWidth(ParameterStore::ValueColumn), 123);
    for (int s = 0; s < Profiles::StorageCount; ++s) {
        if (s == Profiles::FAbout)
            continue; // the about window keeps nothing
        EXPECT_EQ(windows2[s].geometry, windows[s].geometry) << s;
    }
    EXPECT_EQ(windows2[Profiles::RaspGlaz].named["pic2_Left"], "7");
    EXPECT_EQ(windows2[Profiles::RaspGlaz].named["pic2_Top"], "24");
}

TEST_F(ProfilesTest, SaveWritesSectionsAndKeysInTheirOrder)
{
    ASSERT_TRUE(profiles.SaveProfileFile(path("p.ini")));
    IniDocument ini;
    ASSERT_TRUE(ini.load(path("p.ini")));
    EXPECT_EQ(ini.keys("TApplication.RaspGlaz"),
        (QStringList{"RaspGlaz_Height", "RaspGlaz_Left", "pic2_Left", "pic2_Top", "RaspGlaz_Top", "RaspGlaz_Width",
            "sizx", "sizy"}));
    EXPECT_EQ(ini.keys("TApplication.Form_Pol"),
        (QStringList{"Form_Pol_Left", "Form_Pol_Top", "Form_Pol_Width", "Form_Pol_Height"}));
    const QStringList settings = ini.keys("TApplication.FormSettings_1");
    ASSERT_EQ(settings.size(), 1 + 125 + 1 + 4);
    EXPECT_EQ(settings.front(), "ParameterCount");
    EXPECT_EQ(settings[1], "ParameterItem1");
    EXPECT_EQ(settings[126], "SGColumnWidth1");
    EXPECT_EQ(settings.back(), "FormSettings_1_Width");
    EXPECT_TRUE(ini.keys("TApplication.fAbout").isEmpty());
}

TEST_F(ProfilesTest, SaveKeepsWhatElseTheFileHolds)
{
    writeFile(path("p.ini"),
        "[Mine]\r\nkeep=1\r\n[TApplication.FormSettings_1]\r\nParameterCount=200\r\nParameterItem190=old\r\n");
    ASSERT_TRUE(profiles.SaveProfileFile(path("p.ini")));
    IniDocument ini;
    ASSERT_TRUE(ini.load(path("p.ini")));
    EXPECT_EQ(ini.value("Mine", "keep"), "1");
    EXPECT_EQ(ini.value("TApplication.FormSettings_1", "ParameterCount"), "125");
    EXPECT_EQ(ini.value("TApplication.FormSettings_1", "ParameterItem190"), "old"); // never read again
}

TEST_F(ProfilesTest, InterruptedSaveLeavesThePreviousFileIntact)
{
    const QString file = path("p.ini");
    ASSERT_TRUE(profiles.SaveProfileFile(file));
    const QByteArray previous = readFile(file);
    ASSERT_GT(previous.size(), 2000);
    store.setParamText(101, "changed");

    // A child process whose files may not grow past 1000 bytes dies in the middle of the save.
    EXPECT_EXIT(saveWithFileSizeLimit(profiles, file, 1000), ::testing::ExitedWithCode(3), "");
    EXPECT_EQ(readFile(file), previous);
}

TEST_F(ProfilesTest, OverridesChangeOnlyValidItems)
{
    writeFile(path("p.ini"), fixture("default_profile.ini"));
    struct Case {
        QString overrides;
        QChar pair;
        QChar value;
        QMap<int, QString> expected; // parameter number -> value
    };
    const Case cases[] = {
        {"3=30&4=15", u'&', u'=', {{4, "30"}, {5, "15"}}},
        {"3=30;4=15", u';', u'=', {{4, "30"}, {5, "15"}}},
        {"3:30;4:15", u';', u':', {{4, "30"}, {5, "15"}}},
        {"0=hacked&1=Rus", u'&', u'=', {{1, "VALUES"}, {2, "Rus"}}}, // k = 0 cannot touch the title row
        {"125=x&124=y&-1=z", u'&', u'=', {{125, "y"}}}, // k must be below the number of values
        {"abc=1&5&=7&5=1=2&", u'&', u'=', {{6, "3"}}}, // malformed items are ignored
        {"100=\"a&b\"", u'&', u'=', {{101, "\"a&b\""}}}, // quotes keep the separator and stay
        {"100='x=y'", u'&', u'=', {{101, "'x=y'"}}},
        {"4=5\r\n5=6", u'&', u'=', {{5, "5"}, {6, "6"}}}, // line breaks cut items too
        {" 4=  9", u'&', u'=', {{5, "  9"}}}, // nothing is trimmed; " 4" still reads as 4
        {"4=", u'&', u'=', {{5, "20"}}}, // one part only: ignored
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.overrides.toStdString());
        profiles.LoadSettingsFile(path("p.ini"), false, c.overrides, c.pair, c.value);
        for (auto it = c.expected.begin(); it != c.expected.end(); ++it)
            EXPECT_EQ(store.value(it.key() - 1), it.value()) << "parameter " << it.key();
    }
}

TEST(SplitDelimited, CutsAtSeparatorsAndLineBreaksOutsideQuotes)
{
    EXPECT_EQ(SplitDelimited("a&&b&", u'&'), (QStringList{"a", "b"}));
    EXPECT_EQ(SplitDelimited("'a&b'&\"c&d\"", u'&'), (QStringList{"'a&b'", "\"c&d\""}));
    EXPECT_EQ(SplitDelimited("x\r\ny\rz\nw", u'&'), (QStringList{"x", "y", "z", "w"}));
    EXPECT_EQ(SplitDelimited(" a & b ", u'&'), (QStringList{" a ", " b "}));
    EXPECT_EQ(SplitDelimited("", u'&'), QStringList{});
}

TEST_F(ProfilesTest, BadProfilesFallBackWithoutHarm)
{
    QByteArray binary(4096, '\0');
    for (int i = 0; i < binary.size(); ++i)
        binary[i] = static_cast<char>((i * 7919) & 0xFF);
    struct Case {
        const char* name;
        QByteArray content;
        int rows; // after loading with apply (languages set 125 unless the reset path ran)
        int wlim; // GetParamInt(4)
    };
    const Case cases[] = {
        {"not ini", "hello world\njust text, no sections\n", 125, 20},
        {"binary", binary, 125, 20},
        {"empty", "", 125, 20},
        {"duplicate keys: last wins", "[TApplication.FormSettings_1]\nParameterCount=5\nParameterItem4=11\nParameterItem4=12\n", 125, 12},
        {"negative count", "[TApplication.FormSettings_1]\nParameterCount=-5\nParameterItem4=11\n", 125, 20},
        {"zero count", "[TApplication.FormSettings_1]\nParameterCount=0\nParameterItem4=11\n", 125, 20},
        {"count not a number", "[TApplication.FormSettings_1]\nParameterCount=many\nParameterItem4=11\n", 125, 20},
        {"huge count", "[TApplication.FormSettings_1]\nParameterCount=1000000000\nParameterItem4=11\n", 125, 11},
        {"keys in another case", "[tapplication.formsettings_1]\nPARAMETERCOUNT=5\nparameteritem4=13\n", 125, 13},
        {"CR LF", "[TApplication.FormSettings_1]\r\nParameterCount=5\r\nParameterItem4=14\r\n", 125, 14},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        profiles.ResetSettingsToDefaults();
        writeFile(path("bad.ini"), c.content);
        profiles.LoadSettingsFile(path("bad.ini"), true);
        EXPECT_EQ(store.rows(), c.rows);
        EXPECT_EQ(store.GetParamInt(4), c.wlim);
    }
}

TEST_F(ProfilesTest, HugeCountWithoutLanguageStaysBounded)
{
    writeFile(path("p.ini"), "[TApplication.FormSettings_1]\nParameterCount=1000000000\nParameterItem300=x\n");
    profiles.LoadSettingsFile(path("p.ini"), false);
    EXPECT_EQ(store.rows(), 300);
    EXPECT_EQ(store.value(299), "x");
    writeFile(path("p.ini"), "[TApplication.FormSettings_1]\nParameterCount=1000000000\nParameterItem999999999=x\n");
    profiles.LoadSettingsFile(path("p.ini"), false);
    EXPECT_EQ(store.rows(), Profiles::MaxParameterRows);
}

TEST_F(ProfilesTest, ShortCountGivesShortGridUntilALanguageIsApplied)
{
    writeFile(path("p.ini"), "[TApplication.FormSettings_1]\nParameterCount=3\nParameterItem1=VALUES\nParameterItem2=Eng\nParameterItem3=\n");
    profiles.LoadSettingsFile(path("p.ini"), false);
    EXPECT_EQ(store.rows(), 3);
    EXPECT_EQ(store.GetParamInt(4), NoIntValue);
    profiles.LoadSettingsFile(path("p.ini"), true);
    EXPECT_EQ(store.rows(), 125);
    EXPECT_EQ(store.GetParamInt(4), 0); // empty row repaired, read as 0 this once
    EXPECT_EQ(store.GetParamInt(4), 20);
    EXPECT_EQ(store.paramText(12), "Okulon.dat");
}

TEST_F(ProfilesTest, MissingCountMeansBuiltInValuesButGeometryStillLoads)
{
    windows[Profiles::FormLog].geometry = {1, 2, 3, 4};
    writeFile(path("p.ini"), "[TApplication.FormLog]\nFormLog_Left=50\nFormLog_Width=x\n[TApplication.FormSettings_1]\nSGColumnWidth1=77\n");
    store.setParamText(5, "99");
    profiles.LoadSettingsFile(path("p.ini"), true);
    EXPECT_EQ(store.GetParamInt(5), 20);
    EXPECT_EQ(windows[Profiles::FormLog].geometry, (WindowGeometry{50, 2, 3, 4})); // missing and bad keys keep
    EXPECT_EQ(store.columnWidth(ParameterStore::ValueColumn), 77);
}

TEST_F(ProfilesTest, MissingFileKeepsValuesAndStillApplies)
{
    store.setParamText(5, "99");
    profiles.LoadSettingsFile(path("nope.ini"), true);
    // The value list kept from before is the built-in one, so the grid gets it again.
    EXPECT_EQ(store.GetParamInt(5), 20);
    EXPECT_EQ(applied.last(), path("nope.ini"));
}

TEST_F(ProfilesTest, ResetProfileAfterOtherProfileKeepsSavingToTheOther)
{
    writeFile(path("other.ini"), fixture("default_profile.ini"));
    profiles.setProfileFileName(path("other.ini"));
    ASSERT_TRUE(profiles.ResetProfileFile());
    EXPECT_TRUE(QFile::exists(profiles.defaultProfileFile()));
    store.setParamText(5, "33");
    ASSERT_TRUE(profiles.SaveProfileFile(QString()));
    IniDocument ini;
    ASSERT_TRUE(ini.load(path("other.ini")));
    EXPECT_EQ(ini.value("TApplication.FormSettings_1", "ParameterItem5"), "33");
}

TEST_F(ProfilesTest, ResetSettingsOnlyReturnsToEnglishWithoutTouchingFiles)
{
    localisation.SetLanguageByName("Rus");
    store.setParamText(5, "7");
    profiles.ResetSettingsToDefaults();
    EXPECT_EQ(store.paramText(2), "Eng");
    EXPECT_EQ(store.GetParamInt(5), 20);
    EXPECT_EQ(localisation.messageText(25), "Exit");
    EXPECT_FALSE(QFile::exists(profiles.defaultProfileFile()));
    EXPECT_TRUE(applied.isEmpty());
}

TEST_F(ProfilesTest, ApplyCurrentSettingsUsesTheProfileName)
{
    profiles.setProfileFileName(path("x.ini"));
    profiles.ApplyCurrentSettings();
    EXPECT_EQ(applied, QStringList{path("x.ini")});
}

TEST_F(ProfilesTest, WindowsRestoreAndSaveGeometryInTheDefaultProfile)
{
    ASSERT_TRUE(profiles.ResetProfileFile());
    windows[Profiles::ObrDebug].geometry = {};
    profiles.restoreWindow(Profiles::ObrDebug);
    EXPECT_EQ(windows[Profiles::ObrDebug].geometry, (WindowGeometry{0, 420, 320, 160}));
    windows[Profiles::FormSettings].geometry = {5, 6, 7, 8};
    store.setParamText(5, "44");
    ASSERT_TRUE(profiles.saveWindow(Profiles::FormSettings));
    IniDocument ini;
    ASSERT_TRUE(ini.load(profiles.defaultProfileFile()));
    EXPECT_EQ(ini.value("TApplication.FormSettings_1", "FormSettings_1_Left"), "5");
    EXPECT_EQ(ini.value("TApplication.FormSettings_1", "ParameterItem5"), "20"); // values only on an explicit save
}

} // namespace
} // namespace okulon::test
