// The settings family as scripts reach it, on a store and settings files in
// a temporary folder: the 削除 forms (which the 削除 command hands over), and
// settings files that must never be damaged by a write.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/parser.h"
#include "engine_fixture.h"
#include "library/registry/library_state.h"
#include "library/settings/protection.h"
#include "library/settings/settings.h"
#include "library/settings/settings_access.h"
#include "platform/linux/file_settings_store.h"

namespace qel {
namespace {

class SettingsCommandsTest : public testing::EngineTest {
  protected:
    SettingsCommandsTest() {
        char pattern[] = "/tmp/qel-settings-commands-XXXXXX";
        folder_ = mkdtemp(pattern);
        qel().platform().settings = std::make_unique<FileSettingsStore>(folder_ + "/store");
    }
    ~SettingsCommandsTest() override {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    // Runs one 削除 statement through the settings family, as the 削除
    // command does for its レジストリの… and 設定ファイルの… forms.
    void deleteSetting(TextView line) {
        StatementRecord record = engine().ParseLine(line);
        engine().currentStatement = &record;
        cmdDeleteSetting(record, engine());
        engine().currentStatement = nullptr;
    }

    Text shown(TextView expression) {
        clearBoxes();
        run({Text(expression) + u"を表示"});
        return messages().empty() ? u"(nothing shown)" : messages().back();
    }

    std::string path(const std::string& name) const { return folder_ + "/" + name; }
    Text scriptPath(const std::string& name) const { return text::fromUtf8(path(name)); }

    static std::string slurp(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    std::string folder_;
};

TEST_F(SettingsCommandsTest, DeletesRegistryValuesAndKeys) {
    run({u"レジストリの「HKCU\\Software\\Del\\A」の「x」を「1」に設定",
         u"レジストリの「HKCU\\Software\\Del\\A」の「y」を「2」に設定",
         u"レジストリの「HKCU\\Software\\Del\\A\\Deep」の「z」を「3」に設定",
         u"レジストリの「HKCU\\Software\\Del\\AB」の「w」を「4」に設定"});
    deleteSetting(u"レジストリの「HKEY_CURRENT_USER\\Software\\Del\\A」の「X」を削除");
    EXPECT_EQ(shown(u"レジストリの値一覧(「HKCU\\Software\\Del\\A」)"), u"y");
    // The key goes with its subkeys; a key that merely begins alike stays.
    deleteSetting(u"レジストリの「hkcu\\software\\del\\a」を削除");
    EXPECT_EQ(shown(u"レジストリのサブキー一覧(「HKCU\\Software\\Del」)"), u"AB");
    // Deleting what is not there is no error.
    deleteSetting(u"レジストリの「HKCU\\Software\\Del\\A」を削除");
    deleteSetting(u"レジストリの「HKCU\\Software\\Del\\AB」の「nothing」を削除");
    EXPECT_TRUE(errorNumbers().empty());
    // A key without a root, or a root alone, is refused.
    clearBoxes();
    deleteSetting(u"レジストリの「Software\\Del」を削除");
    deleteSetting(u"レジストリの「HKEY_CURRENT_USER」を削除");
    deleteSetting(u"レジストリを削除");
    EXPECT_EQ(errorNumbers(), (std::vector<int>{30, 30, 0}));
    EXPECT_EQ(shown(u"設定(レジストリの「HKCU\\Software\\Del\\AB」の「w」)"), u"4");
}

TEST_F(SettingsCommandsTest, RegistryDeletesAreGuarded) {
    std::array<bool, 5> flags{};
    flags[static_cast<int>(Guard::Registry)] = true;
    ASSERT_TRUE(qel().platform().settings->write(SettingsArea::Application, kProtectionKeyPath,
                                                 kProtectionKeyName, MakeProtectionKey(flags)));
    // Planted before the run, as a user would; the run reads it.
    ASSERT_TRUE(qel().platform().settings->write(SettingsArea::Registry,
                                                 u"HKEY_CURRENT_USER\\Software\\Keep", u"v", u"1"));
    run({u"「x」を表示"});
    clearBoxes();
    deleteSetting(u"レジストリの「HKCU\\Software\\Keep」を削除");
    EXPECT_EQ(errorNumbers(), std::vector<int>{99});
    EXPECT_EQ(shown(u"設定(レジストリの「HKCU\\Software\\Keep」の「v」)"), u"1");
}

TEST_F(SettingsCommandsTest, DeletesFromSettingsFiles) {
    std::ofstream(path("d.ini"), std::ios::binary)
        << "; note\r\n[A]\r\nx=1\r\ny=2\r\n[B]\r\nz=3\r\n";
    run({u"設定ファイルは、「" + scriptPath("d.ini") + u"」"});
    deleteSetting(u"設定ファイルの「a」の「X」を削除");
    EXPECT_EQ(slurp(path("d.ini")), "; note\r\n[A]\r\ny=2\r\n[B]\r\nz=3\r\n");
    deleteSetting(u"設定ファイルの「B」を削除");
    EXPECT_EQ(slurp(path("d.ini")), "; note\r\n[A]\r\ny=2\r\n");
    // A missing file stays missing.
    run({u"設定ファイルは、「" + scriptPath("none.ini") + u"」"});
    deleteSetting(u"設定ファイルの「A」を削除");
    EXPECT_FALSE(std::filesystem::exists(path("none.ini")));
    EXPECT_TRUE(errorNumbers().empty());
}

TEST_F(SettingsCommandsTest, SettingsFilesAreNeverDamagedByAWrite) {
    // A name that is a folder: it cannot be read, so it is not replaced.
    std::filesystem::create_directory(path("folder.ini"));
    run({u"設定ファイルは、「" + scriptPath("folder.ini") + u"」",
         u"設定ファイルの「A」の「x」を「1」に設定"});
    EXPECT_EQ(errorNumbers(), std::vector<int>{39});
    EXPECT_TRUE(std::filesystem::is_directory(path("folder.ini")));

    // A Shift_JIS file cannot hold every character: refused, file unchanged.
    const std::string sjis = "[\x89\xe6\x96\xca]\r\n\x95\x9d=640\r\n";  // [画面] 幅=640
    std::ofstream(path("sjis.ini"), std::ios::binary) << sjis;
    clearBoxes();
    run({u"設定ファイルは、「" + scriptPath("sjis.ini") + u"」",
         u"設定ファイルの「画面」の「記号」を「☃」に設定"});
    EXPECT_EQ(errorNumbers(), std::vector<int>{39});
    EXPECT_EQ(slurp(path("sjis.ini")), sjis);

    // Bytes that do not survive being read as text (a lone Shift_JIS lead
    // byte, a picture named by mistake) are never rewritten.
    const std::string odd = std::string("[A]\r\nx=\x81\r\n\x89PNG\0\xff", 16);
    std::ofstream(path("odd.ini"), std::ios::binary) << odd;
    clearBoxes();
    run({u"設定ファイルは、「" + scriptPath("odd.ini") + u"」",
         u"設定ファイルの「A」の「y」を「1」に設定", u"設定ファイルの「A」の「x」を「1」に設定"});
    EXPECT_EQ(errorNumbers(), (std::vector<int>{39, 39}));
    EXPECT_EQ(slurp(path("odd.ini")), odd);

    // A folder that does not exist: reported, nothing created.
    clearBoxes();
    run({u"設定ファイルは、「" + scriptPath("no/such/folder.ini") + u"」",
         u"設定ファイルの「A」の「x」を「1」に設定"});
    EXPECT_EQ(errorNumbers(), std::vector<int>{39});
    EXPECT_FALSE(std::filesystem::exists(path("no")));
}

TEST_F(SettingsCommandsTest, TheProtectionKeyIsOutOfScriptsReach) {
    // A key that leaves files and the registry allowed, so that what keeps
    // the key safe is the store's own guard, not the protection itself.
    std::array<bool, 5> flags{};
    flags[static_cast<int>(Guard::NativeCalls)] = true;
    SettingsStore& store = *qel().platform().settings;
    ASSERT_TRUE(store.write(SettingsArea::Application, kProtectionKeyPath, kProtectionKeyName,
                            MakeProtectionKey(flags)));
    // Neither through the application settings nor the registry, nor by
    // writing the store's file as a settings file (existing or not).
    const Text storeFile = text::fromUtf8(store.location());
    run({u"「Secure」の「Key」を「」に設定", u"「..\\..\\Secure」の「Key」を「」に設定",
         u"レジストリの「HKCU\\Qelscript\\Secure」の「Key」を「」に設定",
         u"設定ファイルは、「" + storeFile + u"」",
         u"設定ファイルの「Application\\Qelscript\\Secure」の「Key」を「」に設定",
         u"設定ファイルは、「" + scriptPath("store/./settings.ini") + u"」",
         u"設定ファイルの「Application\\Qelscript\\Secure」の「Key」を「」に設定"});
    EXPECT_EQ(errorNumbers(), (std::vector<int>{39, 39}));
    deleteSetting(u"レジストリの「HKCU\\Qelscript」を削除");
    std::optional<Text> key;
    ASSERT_TRUE(store.read(SettingsArea::Application, kProtectionKeyPath, kProtectionKeyName, key));
    EXPECT_EQ(key, MakeProtectionKey(flags));
    EXPECT_TRUE(libraryState(engine()).protectionFlags[static_cast<int>(Guard::NativeCalls)]);

    // Before the store exists, its future file is refused as well.
    std::filesystem::remove_all(path("store"));
    clearBoxes();
    run({u"設定ファイルは、「" + storeFile + u"」", u"設定ファイルの「A」の「x」を「1」に設定"});
    EXPECT_EQ(errorNumbers(), std::vector<int>{39});
    EXPECT_FALSE(std::filesystem::exists(store.location()));
}

}  // namespace
}  // namespace qel
