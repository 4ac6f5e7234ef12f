#include "SettingsFixture.h"

namespace okulon::test {
namespace {

class CommandLineTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString folder = dir.path();
    QString defaultProfile = folder + "/okulon.ini";

    CommandLine run(const QStringList& args) const { return ProcessCommandLine(args, folder, defaultProfile); }
};

TEST_F(CommandLineTest, OptionsAndSeparators)
{
    SettingsFixture::writeFile(folder + "/Other.ini", "");
    struct Case {
        QStringList args;
        QString profile;
        QString overrides;
        QChar pair;
        QChar value;
    };
    const QString other = folder + "/Other.ini";
    const Case cases[] = {
        {{}, defaultProfile, "", u'&', u'='},
        {{"-parameters=3=30&4=15"}, defaultProfile, "3=30&4=15", u'&', u'='},
        {{"-delimiters=;", "-parameters=3=30;4=15"}, defaultProfile, "3=30;4=15", u';', u'='},
        {{"-delimiters=;:", "-parameters=3:30;4:15"}, defaultProfile, "3:30;4:15", u';', u':'},
        {{"-delimiters=;:x", "-parameters=3=30;4=15"}, defaultProfile, "3=30;4=15", u';', u'='},
        {{"-delimiters=;"}, defaultProfile, "", u'&', u'='}, // no effect without -parameters=
        {{"-PROFILE=Other.ini"}, other, "", u'&', u'='}, // any case; the value keeps its case
        {{"-profile=missing.ini"}, defaultProfile, "", u'&', u'='},
        {{"-profile=" + other}, defaultProfile, "", u'&', u'='}, // an absolute path is appended to the folder
        {{"-parameters=4=1", "-parameters=5=2"}, defaultProfile, "5=2", u'&', u'='}, // the later one counts
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const CommandLine cl = run(c.args);
        EXPECT_FALSE(cl.dumpDefaultLanguage);
        EXPECT_EQ(cl.profileFileName, c.profile);
        EXPECT_EQ(cl.overrides, c.overrides);
        EXPECT_EQ(cl.pairSeparator, c.pair);
        EXPECT_EQ(cl.valueSeparator, c.value);
    }
}

TEST_F(CommandLineTest, OptionTextAnywhereMatchesAndValueIsCutByLength)
{
    // "x-profile=a.ini" matches; its value starts at character 10: "=a.ini".
    SettingsFixture::writeFile(folder + "/=a.ini", "");
    EXPECT_EQ(run({"x-profile=a.ini"}).profileFileName, folder + "/=a.ini");
}

TEST_F(CommandLineTest, DumpWinsOverEverythingElse)
{
    EXPECT_TRUE(run({"-parameters=3=30", "-Dump_Default_Language"}).dumpDefaultLanguage);
}

TEST_F(CommandLineTest, SecondPassStopsAfterAllThreeOptionsAndAnUnknownArgument)
{
    const CommandLine cl = run({"-profile=x", "-delimiters=;", "-parameters=1=a", "stop", "-parameters=2=b"});
    EXPECT_EQ(cl.overrides, "1=a");
}

} // namespace
} // namespace okulon::test
