// The real Linux system port, on things that are safe to do for real:
// starting /bin/true and /bin/sleep, refusing what is no program, and
// association files in a temporary XDG tree. endSession is never called.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/linux/command_line.h"
#include "platform/linux/desktop_association.h"
#include "platform/linux/linux_system.h"
#include "temp_folder.h"

namespace qel {
namespace {

using testing::TempFolder;

namespace fs = std::filesystem;

using Words = std::vector<std::string>;

TEST(CommandLine, SplitsWordsAsAShellWouldWithoutItsExpansions) {
    EXPECT_EQ(splitCommandLine(R"(a "b c" 'd e' f\ g "x\"y" 'it'\''s' "\$HOME" '\n')"),
              (Words{"a", "b c", "d e", "f g", "x\"y", "it's", "$HOME", "\\n"}));
    // Shell syntax is only text here: nothing is run, redirected or globbed.
    EXPECT_EQ(splitCommandLine("echo $(rm -rf x); ls | wc > out *"),
              (Words{"echo", "$(rm", "-rf", "x);", "ls", "|", "wc", ">", "out", "*"}));
    EXPECT_EQ(splitCommandLine("  spaced\t\tout  "), (Words{"spaced", "out"}));
    EXPECT_EQ(splitCommandLine("\"\" ''"), (Words{"", ""}));
    EXPECT_EQ(splitCommandLine(""), Words{});
    EXPECT_EQ(splitCommandLine("\"a\\b\""), (Words{"a\\b"}));
}

TEST(CommandLine, UnclosedQuotesAndATrailingBackslashAreRefused) {
    EXPECT_FALSE(splitCommandLine("\"open"));
    EXPECT_FALSE(splitCommandLine("'open"));
    EXPECT_FALSE(splitCommandLine("end\\"));
}

TEST(CommandLine, QuotedWordsComeBackUnchanged) {
    for (const std::string word :
         {"plain", "with space", "it's", "a\"b", "$x", "back\\slash", ""}) {
        auto words = splitCommandLine(quoteWord(word));
        ASSERT_TRUE(words) << word;
        EXPECT_EQ(*words, Words{word});
    }
}

std::string readAll(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool endsWithin(LinuxSystem& system, std::int64_t task, int milliseconds) {
    for (int waited = 0; waited < milliseconds; waited += 10) {
        if (!system.isRunning(task)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

TEST(LinuxSystem, StartsProgramsAndSeesThemEnd) {
    LinuxSystem system;
    StartedProgram quick = system.startProgram("/bin/true", WindowHint::Normal);
    ASSERT_TRUE(quick.status) << quick.status.message;
    EXPECT_GT(quick.taskNumber, 0);
    EXPECT_TRUE(endsWithin(system, quick.taskNumber, 5000));
    EXPECT_FALSE(system.isRunning(quick.taskNumber));  // reaped, and stays ended

    StartedProgram slow = system.startProgram("sleep 30", WindowHint::Maximized);
    ASSERT_TRUE(slow.status) << slow.status.message;
    EXPECT_TRUE(system.isRunning(slow.taskNumber));
    kill(static_cast<pid_t>(slow.taskNumber), SIGTERM);
    EXPECT_TRUE(endsWithin(system, slow.taskNumber, 5000));

    EXPECT_FALSE(system.isRunning(0));
    EXPECT_FALSE(system.isRunning(-1));
}

TEST(LinuxSystem, ArgumentsArriveWholeAndNeverPassThroughAShell) {
    TempFolder folder;
    LinuxSystem system;
    const std::string out = folder.path + "/out.txt";
    const std::string marker = folder.path + "/shell-ran";
    std::string line = "/bin/sh -c 'printf \"%s|\" \"$@\" > \"$0\"' " + quoteWord(out) +
                       " 'a b' '; touch " + quoteWord(marker) + "'";
    StartedProgram started = system.startProgram(line, WindowHint::Normal);
    ASSERT_TRUE(started.status) << started.status.message;
    ASSERT_TRUE(endsWithin(system, started.taskNumber, 5000));
    EXPECT_EQ(readAll(out), "a b|; touch " + marker + "|");
    EXPECT_FALSE(fs::exists(marker));

    // "true;" is the program's name here, and there is none of that name.
    StartedProgram chained =
        system.startProgram("true; touch " + quoteWord(marker), WindowHint::Normal);
    EXPECT_EQ(chained.status.fault, SystemFault::NotFound);
    EXPECT_FALSE(fs::exists(marker));
}

TEST(LinuxSystem, WhatIsNoProgramIsRefusedByKind) {
    TempFolder folder;
    LinuxSystem system;
    EXPECT_EQ(system.startProgram("qel-surely-no-such-program", WindowHint::Normal).status.fault,
              SystemFault::NotFound);
    EXPECT_EQ(system.startProgram(folder.path + "/missing", WindowHint::Normal).status.fault,
              SystemFault::NotFound);
    const std::string text = folder.file("notes.txt", "just text\n");
    EXPECT_EQ(system.startProgram(text, WindowHint::Normal).status.fault, SystemFault::NotProgram);
    const std::string executableText = folder.file("run.txt", "echo hi\n", 0755);
    EXPECT_EQ(system.startProgram(executableText, WindowHint::Normal).status.fault,
              SystemFault::NotProgram);
    EXPECT_EQ(system.startProgram(folder.path, WindowHint::Normal).status.fault,
              SystemFault::NotProgram);
    EXPECT_EQ(system.startProgram("", WindowHint::Normal).status.fault, SystemFault::NotFound);
    EXPECT_EQ(system.startProgram("\"unclosed", WindowHint::Normal).status.fault,
              SystemFault::Other);

    const std::string script = folder.file("script.sh", "#!/bin/sh\nexit 0\n", 0755);
    StartedProgram started = system.startProgram(script, WindowHint::Normal);
    EXPECT_TRUE(started.status) << started.status.message;
    EXPECT_TRUE(endsWithin(system, started.taskNumber, 5000));
}

// PATH for one test, pointing at a folder of stand-in programs.
class SearchPath {
  public:
    explicit SearchPath(const std::string& path)
        : saved_(std::getenv("PATH") ? std::getenv("PATH") : "") {
        setenv("PATH", path.c_str(), 1);
    }
    ~SearchPath() { setenv("PATH", saved_.c_str(), 1); }

  private:
    std::string saved_;
};

TEST(LinuxSystem, DocumentsOpenThroughTheDesktopOpenerWithoutAShell) {
    TempFolder folder;
    LinuxSystem system;
    const std::string log = folder.path + "/opened";
    folder.file("bin/xdg-open",
                "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> '" + log + "'; done\n",
                0755);
    const std::string document = folder.file("-n letter; rm x.txt", "text");
    {
        SearchPath path(folder.path + "/bin:/usr/bin:/bin");
        ASSERT_EQ(chdir(folder.path.c_str()), 0);
        SystemStatus opened = system.openDocument("-n letter; rm x.txt");
        ASSERT_TRUE(opened) << opened.message;
        ASSERT_TRUE(system.openDocument("https://example.org/?a=1&b=2"));
        EXPECT_EQ(system.openDocument(folder.path + "/missing.txt").fault, SystemFault::NotFound);
        EXPECT_EQ(system.openDocument("").fault, SystemFault::NotFound);
        ASSERT_EQ(chdir("/"), 0);
    }
    std::string lines;
    for (int waited = 0; waited < 5000; waited += 10) {
        lines = readAll(log);
        if (std::count(lines.begin(), lines.end(), '\n') >= 2) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // The file's name arrives as one argument, and one the opener cannot
    // take for an option.
    EXPECT_NE(lines.find("./-n letter; rm x.txt\n"), std::string::npos) << lines;
    EXPECT_NE(lines.find("https://example.org/?a=1&b=2\n"), std::string::npos) << lines;
    {
        SearchPath path(folder.path + "/empty");
        EXPECT_EQ(system.openDocument(document).fault, SystemFault::Refused);
    }
}

TEST(LinuxSystem, FactsAndTheirParsing) {
    EXPECT_EQ(kernelVersionParts("6.1.0-13-amd64"),
              std::make_pair(std::string("6.1"), std::string("0")));
    EXPECT_EQ(kernelVersionParts("5.15.153.1-microsoft-standard-WSL2"),
              std::make_pair(std::string("5.15"), std::string("153")));
    EXPECT_EQ(kernelVersionParts("4.19"), std::make_pair(std::string("4.19"), std::string("0")));
    EXPECT_EQ(kernelVersionParts("6.8.0rc1"), std::make_pair(std::string("6.8"), std::string("0")));
    EXPECT_EQ(kernelVersionParts(""), std::make_pair(std::string("0.0"), std::string("0")));
    EXPECT_EQ(osReleaseName(
                  "NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"),
              "Debian GNU/Linux 12 (bookworm)");
    EXPECT_EQ(osReleaseName("NAME='Alpine'\n"), "Alpine");
    EXPECT_EQ(osReleaseName(""), "");
    LinuxSystem system;
    SystemFacts facts = system.facts();
    EXPECT_EQ(facts.kind.rfind("Linux", 0), 0u);
    EXPECT_NE(facts.version.find('.'), std::string::npos);
}

TEST(DesktopAssociation, ExecLinesPlaceTheFileAndKeepOtherWordsLiteral) {
    EXPECT_EQ(desktopExecFor("notepad \"%1\""), "notepad %f");
    EXPECT_EQ(desktopExecFor("gedit"), "gedit %f");
    EXPECT_EQ(desktopExecFor("'/opt/my app/run' --mode=100%"),
              "\"/opt/my app/run\" --mode=100%% %f");
    EXPECT_EQ(desktopExecFor("echo '$HOME'"), "echo \"\\$HOME\" %f");
    EXPECT_EQ(desktopExecFor("\"unclosed"), "");
}

// Sets XDG variables for one test and puts the old values back.
class XdgEnvironment {
  public:
    explicit XdgEnvironment(const std::string& root) {
        set("XDG_DATA_HOME", root + "/data");
        set("XDG_CONFIG_HOME", root + "/config");
        set("XDG_DATA_DIRS", root + "/system");
    }
    ~XdgEnvironment() {
        for (auto& [name, value] : saved_) {
            if (value)
                setenv(name.c_str(), value->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
    }

  private:
    void set(const std::string& name, const std::string& value) {
        const char* old = std::getenv(name.c_str());
        saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        setenv(name.c_str(), value.c_str(), 1);
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST(DesktopAssociation, AKnownTypeGetsOurDefaultAndRemovalRestoresTheOldOne) {
    TempFolder root;
    XdgEnvironment environment(root.path);
    root.file("system/mime/globs2", "# comment\n50:text/markdown:*.md\n50:text/plain:*.txt\n");
    const std::string apps = root.file("config/mimeapps.list",
                                       "[Added Associations]\nimage/png=viewer.desktop;\n\n"
                                       "[Default Applications]\ntext/plain=old-editor.desktop;\n"
                                       "image/png=viewer.desktop;\n");
    LinuxSystem system;
    SystemStatus made =
        system.associate(".TXT", "gedit \"%1\"", "テキスト", "accessories-text-editor");
    ASSERT_TRUE(made) << made.message;
    const std::string entry = readAll(root.path + "/data/applications/qelscript-txt.desktop");
    EXPECT_NE(entry.find("Exec=gedit %f\n"), std::string::npos);
    EXPECT_NE(entry.find("MimeType=text/plain;\n"), std::string::npos);
    EXPECT_NE(entry.find("Name=テキスト\n"), std::string::npos);
    EXPECT_NE(entry.find("Icon=accessories-text-editor\n"), std::string::npos);
    EXPECT_EQ(
        readAll(apps),
        "[Added Associations]\nimage/png=viewer.desktop;\n\n"
        "[Default Applications]\ntext/plain=qelscript-txt.desktop;\nimage/png=viewer.desktop;\n");
    EXPECT_FALSE(fs::exists(root.path + "/data/mime/packages/qelscript-txt.xml"));

    // Associating again keeps what the first association replaced.
    ASSERT_TRUE(system.associate("txt", "kate", "", ""));
    ASSERT_TRUE(system.removeAssociation("txt"));
    EXPECT_FALSE(fs::exists(root.path + "/data/applications/qelscript-txt.desktop"));
    EXPECT_EQ(
        readAll(apps),
        "[Added Associations]\nimage/png=viewer.desktop;\n\n"
        "[Default Applications]\ntext/plain=old-editor.desktop;\nimage/png=viewer.desktop;\n");
    EXPECT_EQ(system.removeAssociation("txt").fault, SystemFault::NotFound);
}

TEST(DesktopAssociation, AnUnknownExtensionGetsATypeOfItsOwnThatRemovalTakesAway) {
    TempFolder root;
    XdgEnvironment environment(root.path);
    LinuxSystem system;
    ASSERT_TRUE(system.associate("qzx", "viewer", "Q & Z <files>", ""));
    const std::string package = root.path + "/data/mime/packages/qelscript-qzx.xml";
    const std::string xml = readAll(package);
    EXPECT_NE(xml.find("type=\"application/x-qelscript-qzx\""), std::string::npos);
    EXPECT_NE(xml.find("<glob pattern=\"*.qzx\"/>"), std::string::npos);
    EXPECT_NE(xml.find("Q &amp; Z &lt;files&gt;"), std::string::npos);
    EXPECT_EQ(readAll(root.path + "/config/mimeapps.list"),
              "[Default Applications]\napplication/x-qelscript-qzx=qelscript-qzx.desktop;\n");
    ASSERT_TRUE(system.removeAssociation(".qzx"));
    EXPECT_FALSE(fs::exists(package));
    EXPECT_EQ(readAll(root.path + "/config/mimeapps.list"), "[Default Applications]\n");
}

TEST(DesktopAssociation, ADefaultTheUserChoseSinceIsLeftAlone) {
    TempFolder root;
    XdgEnvironment environment(root.path);
    LinuxSystem system;
    ASSERT_TRUE(system.associate("qzy", "viewer", "", ""));
    const std::string apps = root.path + "/config/mimeapps.list";
    root.file("config/mimeapps.list",
              "[Default Applications]\napplication/x-qelscript-qzy=mine.desktop;\n");
    ASSERT_TRUE(system.removeAssociation("qzy"));
    EXPECT_EQ(readAll(apps), "[Default Applications]\napplication/x-qelscript-qzy=mine.desktop;\n");
}

TEST(DesktopAssociation, HostileExtensionsAndCommandLinesWriteNothing) {
    TempFolder root;
    XdgEnvironment environment(root.path);
    LinuxSystem system;
    for (const std::string ext :
         {"../../evil", "a/b", "", ".", "x y", "*", "txt\n[Default Applications]"}) {
        EXPECT_FALSE(system.associate(ext, "viewer", "", "")) << ext;
        EXPECT_FALSE(system.removeAssociation(ext)) << ext;
    }
    EXPECT_FALSE(system.associate("ok", "\"unclosed", "", ""));
    // Line breaks in descriptions cannot add keys to the entry.
    ASSERT_TRUE(system.associate("ok", "viewer", "name\nExec=evil", "icon\n"));
    const std::string entry = readAll(root.path + "/data/applications/qelscript-ok.desktop");
    EXPECT_EQ(entry.find("\nExec=evil"), std::string::npos);
    EXPECT_EQ(std::count(entry.begin(), entry.end(), '\n'), 9);
    // Nothing landed outside the data and configuration folders.
    for (const auto& item : fs::directory_iterator(root.path)) {
        const std::string name = item.path().filename().string();
        EXPECT_TRUE(name == "data" || name == "config") << name;
    }
    EXPECT_FALSE(fs::exists(fs::path(root.path).parent_path() / "evil.desktop"));
}

}  // namespace
}  // namespace qel
