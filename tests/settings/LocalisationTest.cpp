#include "SettingsFixture.h"

#include "BuiltinTexts.h"

#include <QDir>

#include <sys/resource.h>
#include <csignal>

namespace okulon::test {
namespace {

using LocalisationTest = SettingsFixture;

[[noreturn]] void dumpWithFileSizeLimit(Localisation& localisation, rlim_t bytes)
{
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{bytes, bytes};
    setrlimit(RLIMIT_FSIZE, &limit);
    std::_Exit(localisation.DumpCurrentLanguage() ? 0 : 3);
}

const QString Sep = QString::fromUtf8(builtin::LanguageSeparator);

// A captioned component tree built from a compact description.
struct Node : ICaptioned {
    bool captioned = true;
    QString text;
    std::vector<std::unique_ptr<Node>> children;
    Node(bool c, QString t)
        : captioned(c)
        , text(std::move(t))
    {
    }
    Node* add(bool c, const QString& t)
    {
        children.push_back(std::make_unique<Node>(c, t));
        return children.back().get();
    }
    bool hasCaption() const override { return captioned; }
    QString caption() const override { return text; }
    void setCaption(const QString& c) override { text = c; }
    QList<ICaptioned*> ownedComponents() const override
    {
        QList<ICaptioned*> out;
        for (const auto& c : children)
            out.append(c.get());
        return out;
    }
};

TEST(ExtractSectionTest, CutsAtEveryCopyOfTheFirstLine)
{
    const QStringList text{"#", "m1", "m2", "#", "c1", "#", "#", "x"};
    EXPECT_EQ(ExtractSection(text, 1), (QStringList{"m1", "m2"}));
    EXPECT_EQ(ExtractSection(text, 2), QStringList{"c1"});
    EXPECT_EQ(ExtractSection(text, 3), QStringList{});
    EXPECT_EQ(ExtractSection(text, 4), QStringList{"x"});
    EXPECT_EQ(ExtractSection(text, 5), QStringList{});
    EXPECT_EQ(ExtractSection(text, 0), QStringList{});
    EXPECT_EQ(ExtractSection({}, 1), QStringList{});
}

TEST(BuiltinLanguages, HaveTheSectionSizes)
{
    const int sizes[] = {42, 125, 73, 16, 5, 1, 3, 9, 4, 0};
    for (auto lang : {BuiltinLanguage::English, BuiltinLanguage::Russian, BuiltinLanguage::French}) {
        const QStringList text = BuiltinLanguageText(lang);
        ASSERT_EQ(text.size(), 288);
        EXPECT_EQ(text.front().size(), 22);
        EXPECT_EQ(text.back(), Sep);
        for (int k = 1; k <= 10; ++k)
            EXPECT_EQ(ExtractSection(text, k).size(), sizes[k - 1]) << "section " << k;
    }
    EXPECT_EQ(BuiltinLanguageText(BuiltinLanguage::French), BuiltinLanguageText(BuiltinLanguage::English));
    const QStringList ru = BuiltinLanguageText(BuiltinLanguage::Russian);
    EXPECT_EQ(ExtractSection(ru, 1).at(40), QString::fromUtf8("Образцы не были добавлены в таблицу из-за ограничения размера"));
    EXPECT_EQ(ExtractSection(ru, 8).at(0), QString::fromUtf8("Журнал  событий"));
    EXPECT_EQ(ExtractSection(BuiltinLanguageText(BuiltinLanguage::English), 1).at(40),
        QString::fromUtf8("Samples haven\u2019t been added into the table due to size restrictions "));
}

TEST(Messages, BeforeAnyLanguageOnlyMessageOneExists)
{
    ParameterStore store;
    Localisation loc(store, QDir::tempPath());
    EXPECT_EQ(loc.messageText(1), "Command executed");
    EXPECT_EQ(loc.messageText(18), "");
    EXPECT_EQ(loc.messageText(0), "");
}

TEST_F(LocalisationTest, MessagesOfTheAppliedLanguage)
{
    EXPECT_EQ(localisation.messageText(26), "Reading configuration from the file:");
    EXPECT_EQ(localisation.messageText(42), "");
    EXPECT_EQ(localisation.messageText(43), "");
    localisation.SetLanguageByName("Rus");
    EXPECT_EQ(localisation.GetMessageText(28), "Стоп");
    EXPECT_EQ(store.comment(0), QString::fromUtf8("КОММЕНТАРИЙ"));
}

TEST_F(LocalisationTest, NamesChooseBuiltInLanguagesExactly)
{
    struct Case {
        const char* name;
        const char* param2;
        const char* message25;
    };
    const Case cases[] = {
        {"Rus", "Rus", "Выход"}, {"Eng", "Eng", "Exit"}, {"Fre", "Fre", "Exit"},
        {"rus", "Eng", "Exit"}, {"German", "Eng", "Exit"}, {"", "Eng", "Exit"},
    };
    for (const Case& c : cases) {
        localisation.SetLanguageByName(c.name);
        EXPECT_EQ(store.paramText(2), QString::fromUtf8(c.param2)) << c.name;
        EXPECT_EQ(localisation.messageText(25), QString::fromUtf8(c.message25)) << c.name;
    }
}

TEST_F(LocalisationTest, LanguageFilesAreCheckedBeforeUse)
{
    QStringList good = BuiltinLanguageText(BuiltinLanguage::English);
    good[1 + 24] = "Leave"; // message 25
    auto crlf = [](const QStringList& l) { return JoinLinesCrLf(l); };
    QStringList trailing = good;
    for (QString& line : trailing)
        if (line == Sep)
            line += "   ";
    QByteArray crOnly = crlf(good);
    crOnly.replace("\r\n", "\r");
    QByteArray lfOnly = crlf(good);
    lfOnly.replace("\r\n", "\n");
    QByteArray badUtf8 = crlf(good);
    badUtf8.insert(10, "\xC3\x28");

    struct Case {
        const char* name;
        QByteArray bytes;
        Localisation::LoadResult result;
    };
    const Case cases[] = {
        {"CR LF", crlf(good), Localisation::LoadResult::Applied},
        {"LF", lfOnly, Localisation::LoadResult::Applied},
        {"CR only", crOnly, Localisation::LoadResult::Applied},
        {"separators with trailing blanks", crlf(trailing), Localisation::LoadResult::Applied},
        {"one line short", crlf(good.mid(1)), Localisation::LoadResult::WrongLineCount},
        {"one line long", crlf(good + QStringList{"x"}), Localisation::LoadResult::WrongLineCount},
        {"empty", QByteArray(), Localisation::LoadResult::WrongLineCount},
        {"invalid UTF-8", badUtf8, Localisation::LoadResult::Unreadable},
        {"binary", QByteArray(5000, '\0'), Localisation::LoadResult::Unreadable},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        localisation.SetLanguageByName("Eng");
        writeFile(path("l.lng"), c.bytes);
        EXPECT_EQ(localisation.LoadLanguageFile(path("l.lng")), c.result);
        const bool applied = c.result == Localisation::LoadResult::Applied;
        EXPECT_EQ(localisation.messageText(25), applied ? "Leave" : "Exit");
        EXPECT_EQ(store.paramText(2), applied ? path("l.lng") : "Eng");
    }
    EXPECT_EQ(localisation.LoadLanguageFile(path("missing.lng")), Localisation::LoadResult::Missing);
}

TEST_F(LocalisationTest, HugeLanguageFileIsRefusedWithoutReadingIt)
{
    writeFile(path("big.lng"), QByteArray(Localisation::MaxLanguageFileBytes + 1, 'a'));
    EXPECT_EQ(localisation.LoadLanguageFile(path("big.lng")), Localisation::LoadResult::Unreadable);
}

TEST_F(LocalisationTest, ParameterTwoNamingAFileLoadsIt)
{
    QStringList text = BuiltinLanguageText(BuiltinLanguage::Russian);
    writeFile(path("ru.lng"), JoinLinesCrLf(text));
    store.setParamText(2, path("ru.lng"));
    localisation.ApplyCurrentLanguage();
    EXPECT_EQ(store.paramText(2), path("ru.lng"));
    EXPECT_EQ(localisation.messageText(9), QString::fromUtf8("Старт"));
}

TEST_F(LocalisationTest, FileNamedLikeABuiltInLanguageWins)
{
    QStringList text = BuiltinLanguageText(BuiltinLanguage::English);
    text[1] = "from the file";
    writeFile(path("Eng"), JoinLinesCrLf(text));
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(dir.path());
    localisation.SetLanguageByName("Eng");
    QDir::setCurrent(cwd);
    EXPECT_EQ(localisation.messageText(1), "from the file");
}

TEST_F(LocalisationTest, ShortCommentSectionShortensTheGrid)
{
    QStringList text{Sep, "m1", Sep};
    for (int i = 0; i < 100; ++i)
        text.append(QString("c%1").arg(i));
    text.append(Sep);
    localisation.ApplyLanguageText(text);
    EXPECT_EQ(store.rows(), 100);
    EXPECT_EQ(store.paramText(101), "Clavirex");
    EXPECT_EQ(store.GetParamInt(101), NoIntValue);
    EXPECT_EQ(localisation.messageText(1), "m1");
    EXPECT_EQ(localisation.messageText(2), "");
    // Empty sections leave messages and comments as they are.
    localisation.ApplyLanguageText({Sep, Sep, Sep});
    EXPECT_EQ(store.rows(), 100);
    EXPECT_EQ(localisation.messageText(1), "m1");
}

TEST_F(LocalisationTest, CaptionWalkFollowsCreationOrderAndStopsWhenLinesRunOut)
{
    Node window(true, "W");
    Node* menu = window.add(false, ""); // a menu takes no line
    Node* file = menu->add(true, "File");
    Node* open = file->add(true, "Open");
    Node* grid = window.add(false, "");
    Node* ok = window.add(true, "OK");
    Node* cancel = window.add(true, "Cancel");
    (void)grid;
    localisation.setLocalisedWindow(Localisation::FormLog, &window);
    int pumped = 0;
    localisation.setProcessPendingEvents([&] { ++pumped; });

    QStringList text = BuiltinLanguageText(BuiltinLanguage::English);
    // Section 8 holds the event log window's captions: replace it by four lines.
    QStringList built{Sep};
    for (int k = 1; k <= 10; ++k) {
        QStringList lines = ExtractSection(text, k);
        if (k == 8)
            lines = {"Journal", "Fichier", "", "Valider"};
        built += lines;
        built.append(Sep);
    }
    built.removeLast();
    localisation.ApplyLanguageText(built);
    EXPECT_EQ(window.text, "Journal");
    EXPECT_EQ(file->text, "Fichier");
    EXPECT_EQ(open->text, "");
    EXPECT_EQ(ok->text, "Valider");
    EXPECT_EQ(cancel->text, "Cancel"); // lines ran out
    EXPECT_EQ(pumped, 6); // once before every owned component visited

    ASSERT_TRUE(localisation.DumpCurrentLanguage());
    const QStringList dumped = SplitLines(QString::fromUtf8(readFile(localisation.dumpFileName())));
    EXPECT_EQ(localisation.currentText(), dumped);
    const QStringList logSection = ExtractSection(dumped, 3 + Localisation::FormLog);
    EXPECT_EQ(logSection, (QStringList{"Journal", "Fichier", "", "Valider", "Cancel"}));
}

TEST_F(LocalisationTest, DumpBeforeAnyLanguageHoldsTheStartState)
{
    ParameterStore fresh;
    Localisation loc(fresh, dir.path());
    ASSERT_TRUE(loc.DumpCurrentLanguage());
    const QByteArray bytes = readFile(loc.dumpFileName());
    EXPECT_TRUE(bytes.endsWith("\r\n"));
    const QStringList lines = SplitLines(QString::fromUtf8(bytes));
    EXPECT_EQ(lines, (QStringList{Sep, "Command executed", Sep, Sep, Sep, Sep, Sep, Sep, Sep, Sep, Sep, Sep}));
}

TEST_F(LocalisationTest, InterruptedDumpLeavesThePreviousFileIntact)
{
    ASSERT_TRUE(localisation.DumpCurrentLanguage());
    const QByteArray previous = readFile(localisation.dumpFileName());
    ASSERT_GT(previous.size(), 3000);
    store.setParamText(2, "changed");
    localisation.SetLanguageByName("Rus");
    EXPECT_EXIT(dumpWithFileSizeLimit(localisation, 1000), ::testing::ExitedWithCode(3), "");
    EXPECT_EQ(readFile(localisation.dumpFileName()), previous);
}

} // namespace
} // namespace okulon::test
