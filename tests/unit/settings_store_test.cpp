// The per-user settings store on a temporary folder: values come back as
// written whatever they hold, the registry and application areas stay apart,
// a damaged file is refused and left untouched, and writers in several
// threads at once lose nothing.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/linux/file_settings_store.h"
#include "temp_folder.h"

namespace qel {
namespace {

using testing::TempFolder;

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void spill(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

constexpr auto Registry = SettingsArea::Registry;
constexpr auto Application = SettingsArea::Application;

class SettingsStoreTest : public ::testing::Test {
  protected:
    std::optional<Text> read(SettingsArea area, TextView key, TextView name) {
        std::optional<Text> value;
        SettingsStatus status = store.read(area, key, name, value);
        EXPECT_TRUE(status) << status.message;
        return value;
    }
    void write(SettingsArea area, TextView key, TextView name, TextView value) {
        SettingsStatus status = store.write(area, key, name, value);
        ASSERT_TRUE(status) << status.message;
    }
    std::string file() const { return folder.path + "/qelscript/settings.ini"; }

    TempFolder folder;
    FileSettingsStore store{folder.path + "/qelscript"};
};

TEST_F(SettingsStoreTest, ValuesComeBackAsWritten) {
    const Text awkward[] = {
        u"",           u"  blanks at both ends  ", u"line\r\nbreaks\nand\ttabs",
        u"100%25 % %", u"[not a section]",         u"; not a comment",
        u"a=b=c",      u"日本語の値　全角空白　",  u"😀 beyond the basic plane",
    };
    for (const Text& value : awkward) {
        // Every awkward text is tried as a value, a value name and a key.
        write(Registry, u"HKEY_CURRENT_USER\\Software\\Test", value, value);
        EXPECT_EQ(read(Registry, u"HKEY_CURRENT_USER\\Software\\Test", value), value);
        if (value.find(u'\\') == Text::npos && !ini::trimIni(value).empty()) {
            write(Application, u"App\\" + value, u"k", value);
            EXPECT_EQ(read(Application, u"App\\" + value, u"k"), value);
        }
    }
    // The names "" (the default value) and "@" are different values.
    write(Registry, u"HKEY_CURRENT_USER\\Software\\Two", u"", u"default");
    write(Registry, u"HKEY_CURRENT_USER\\Software\\Two", u"@", u"at");
    EXPECT_EQ(read(Registry, u"HKEY_CURRENT_USER\\Software\\Two", u""), u"default");
    EXPECT_EQ(read(Registry, u"HKEY_CURRENT_USER\\Software\\Two", u"@"), u"at");
    // And a fresh store object reads the same file.
    FileSettingsStore again(folder.path + "/qelscript");
    std::optional<Text> value;
    ASSERT_TRUE(again.read(Registry, u"HKEY_CURRENT_USER\\Software\\Test", u"a=b=c", value));
    EXPECT_EQ(value, u"a=b=c");
}

TEST_F(SettingsStoreTest, PathsAndNamesIgnoreCaseAndStrayBackslashes) {
    write(Registry, u"HKEY_CURRENT_USER\\Software\\Maker", u"Size", u"1");
    write(Registry, u"hkey_current_user\\\\SOFTWARE\\maker\\", u"size", u"2");
    EXPECT_EQ(read(Registry, u"\\HKEY_CURRENT_USER\\software\\MAKER", u"SIZE"), u"2");
    std::vector<Text> names;
    ASSERT_TRUE(store.valueNames(Registry, u"HKEY_CURRENT_USER\\Software\\Maker", names));
    EXPECT_EQ(names, std::vector<Text>{u"Size"});
}

TEST_F(SettingsStoreTest, AreasAreSeparate) {
    write(Application, u"Qelscript\\Secure", u"Key", u"01235");
    EXPECT_EQ(read(Registry, u"Qelscript\\Secure", u"Key"), std::nullopt);
    bool removed = true;
    ASSERT_TRUE(store.removeKey(Registry, u"Qelscript", removed));
    EXPECT_FALSE(removed);
    EXPECT_EQ(read(Application, u"Qelscript\\Secure", u"Key"), u"01235");
}

TEST_F(SettingsStoreTest, ListsAndRemovals) {
    const Text base = u"HKEY_CURRENT_USER\\Software";
    write(Registry, base + u"\\Beta\\Deep", u"x", u"1");
    write(Registry, base + u"\\alpha", u"b", u"1");
    write(Registry, base + u"\\alpha", u"a", u"2");
    write(Registry, base + u"\\alphabet", u"c", u"3");  // shares a prefix with alpha
    std::vector<Text> names;
    ASSERT_TRUE(store.subkeys(Registry, base, names));
    EXPECT_EQ(names, (std::vector<Text>{u"alpha", u"alphabet", u"Beta"}));
    ASSERT_TRUE(store.subkeys(Registry, u"HKEY_CURRENT_USER", names));
    EXPECT_EQ(names, std::vector<Text>{u"Software"});
    ASSERT_TRUE(store.valueNames(Registry, base + u"\\alpha", names));
    EXPECT_EQ(names, (std::vector<Text>{u"b", u"a"}));  // in the order written

    bool removed = false;
    ASSERT_TRUE(store.removeValue(Registry, base + u"\\alpha", u"B", removed));
    EXPECT_TRUE(removed);
    ASSERT_TRUE(store.removeValue(Registry, base + u"\\alpha", u"B", removed));
    EXPECT_FALSE(removed);
    ASSERT_TRUE(store.removeKey(Registry, base + u"\\ALPHA", removed));
    EXPECT_TRUE(removed);
    EXPECT_EQ(read(Registry, base + u"\\alphabet", u"c"), u"3");
    ASSERT_TRUE(store.removeKey(Registry, base + u"\\Beta", removed));
    ASSERT_TRUE(store.subkeys(Registry, base, names));
    EXPECT_EQ(names, std::vector<Text>{u"alphabet"});
}

TEST_F(SettingsStoreTest, ReadingCreatesNothingAndTheFileIsPrivate) {
    EXPECT_EQ(read(Registry, u"HKEY_CURRENT_USER\\Software\\None", u"x"), std::nullopt);
    EXPECT_FALSE(std::filesystem::exists(folder.path + "/qelscript"));
    write(Registry, u"HKEY_CURRENT_USER\\Software\\One", u"x", u"1");
    struct stat info {};
    ASSERT_EQ(stat(file().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_EQ(stat((folder.path + "/qelscript").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST_F(SettingsStoreTest, CommentsAndOrderWrittenByHandSurviveChanges) {
    write(Registry, u"HKEY_CURRENT_USER\\Software\\A", u"x", u"1");
    std::string edited =
        slurp(file()) + "; my note\n[Registry\\HKEY_CURRENT_USER\\Software\\B]\ny=2\n";
    spill(file(), edited);
    write(Registry, u"HKEY_CURRENT_USER\\Software\\A", u"x", u"3");
    std::string after = slurp(file());
    EXPECT_NE(after.find("x=3\n; my note\n[Registry\\HKEY_CURRENT_USER\\Software\\B]\ny=2\n"),
              std::string::npos)
        << after;
}

TEST_F(SettingsStoreTest, DamagedFilesAreRefusedAndLeftAlone) {
    write(Application, u"Qelscript\\Secure", u"Key", u"01235");
    const std::string good = slurp(file());
    const std::string damaged[] = {
        good + "this line means nothing\n",
        good + "[Elsewhere\\x]\na=1\n",            // neither Registry nor Application
        "a=1\n" + good,                            // a value before any section
        good + "[Registry\\HKCU\\x]\nk=%zz\n",     // a bad escape
        good + "[Registry\\HKCU\\x]\nk=1\nK=2\n",  // one name twice
        good + "k=\xff\xfe\n",                     // not UTF-8
    };
    for (const std::string& bytes : damaged) {
        spill(file(), bytes);
        std::optional<Text> value;
        EXPECT_EQ(store.read(Application, u"Qelscript\\Secure", u"Key", value).fault,
                  SettingsFault::Damaged);
        SettingsStatus status = store.write(Registry, u"HKCU\\y", u"n", u"v");
        EXPECT_EQ(status.fault, SettingsFault::Damaged);
        EXPECT_NE(status.message.find("settings.ini: line"), std::string::npos) << status.message;
        bool removed = false;
        EXPECT_EQ(store.removeKey(Application, u"Qelscript", removed).fault,
                  SettingsFault::Damaged);
        EXPECT_EQ(slurp(file()), bytes);
    }
}

TEST_F(SettingsStoreTest, ConcurrentWritersLoseNothing) {
    constexpr int kThreads = 4, kWrites = 40;
    std::vector<std::thread> writers;
    std::atomic<int> failures{0};
    for (int t = 0; t < kThreads; ++t) {
        writers.emplace_back([&, t] {
            // Each thread has its own store object, as each process would.
            FileSettingsStore own(folder.path + "/qelscript");
            for (int i = 0; i < kWrites; ++i) {
                Text name = text::fromUtf8("t" + std::to_string(t) + "-" + std::to_string(i));
                if (!own.write(Registry, u"HKCU\\Software\\Race", name, name)) ++failures;
            }
        });
    }
    for (auto& w : writers) w.join();
    EXPECT_EQ(failures, 0);
    std::vector<Text> names;
    ASSERT_TRUE(store.valueNames(Registry, u"HKCU\\Software\\Race", names));
    EXPECT_EQ(names.size(), std::size_t(kThreads * kWrites));
    for (int t = 0; t < kThreads; ++t) {
        for (int i = 0; i < kWrites; ++i) {
            Text name = text::fromUtf8("t" + std::to_string(t) + "-" + std::to_string(i));
            EXPECT_EQ(read(Registry, u"HKCU\\Software\\Race", name), name);
        }
    }
}

}  // namespace
}  // namespace qel
