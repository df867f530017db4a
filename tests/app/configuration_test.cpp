// kavrel.ini: the bytes as stored, the defaults, the checks a read applies,
// the commands of the Options menu and the options reaching their users.

#include "settings/configuration.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "app/editor.h"
#include "app/shell.h"
#include "base/paths.h"
#include "support/mp3_builder.h"
#include "support/recording_host.h"
#include "support/test_files.h"

namespace kavrel::test {
namespace {

namespace fs = std::filesystem;
namespace ob = option_byte;

// A host whose screen centre is known and whose file dialogs are scripted
// with the whole request recorded.
class ConfigHost : public RecordingHost {
 public:
  std::vector<FileDialogRequest> requests;
  std::optional<std::string> chooseFile(const FileDialogRequest& r) override {
    requests.push_back(r);
    return r.save ? chooseSaveFile(r.folder, r.fileName) : chooseOpenFile(r.title, r.folder);
  }
  WindowPosition centredWindowPosition(size_t slot) override { return {int32_t(100 + slot), 200}; }
};

class ConfigurationTest : public ::testing::Test {
 protected:
  ConfigurationTest() {
    fs::create_directories(data());
    editor.dataFolder = data();
    editor.configurationPath = ini();
  }
  std::string data() const { return dir.file("data"); }
  std::string ini() const { return dir.file("data/kavrel.ini"); }
  StoredConfiguration stored() const {
    const auto s = decodeConfiguration(readFile(ini()));
    EXPECT_TRUE(s.has_value());
    return s.value_or(StoredConfiguration{});
  }
  // A valid file with `change` applied to its parts, loaded.
  void loadIni(const std::function<void(StoredConfiguration&)>& change) {
    ConfigHost h;
    Editor fresh(h);
    fresh.dataFolder = data();
    resetConfiguration(fresh.options(), fresh.dataFolder,
                       [&](size_t slot) { return h.centredWindowPosition(slot); });
    StoredConfiguration s = gatherConfiguration(fresh.options());
    change(s);
    writeFile(ini(), encodeConfiguration(s));
    ASSERT_TRUE(editor.loadConfiguration());
  }
  // The one message box shown since the last clearRecord(): "caption: text".
  std::string box() const {
    const auto& m = host.messages();
    return m.size() == 1 ? m[0].caption + ": " + m[0].text : std::to_string(m.size()) + " boxes";
  }

  TempDir dir;
  ConfigHost host;
  Editor editor{host};
};

// ---------------------------------------------------------------- the bytes

TEST(ConfigurationBytes, StringsAreCountedLittleEndianThenTheRecord) {
  StoredConfiguration s;
  s.strings[0] = "/a";
  s.strings[18] = std::string(300, 'x');
  s.record[0] = 0x11;
  s.record[416] = 0x22;
  const std::vector<uint8_t> b = encodeConfiguration(s);
  ASSERT_EQ(b.size(), 2 + 2 + 17 * 2 + 2 + 300 + kOptionsRecordSize);
  EXPECT_EQ(std::vector<uint8_t>(b.begin(), b.begin() + 4), (std::vector<uint8_t>{2, 0, '/', 'a'}));
  const size_t last = 4 + 17 * 2;
  EXPECT_EQ(b[last], 300 & 255);
  EXPECT_EQ(b[last + 1], 300 >> 8);
  EXPECT_EQ(b[last + 2 + 300], 0x11);
  EXPECT_EQ(b.back(), 0x22);
  const auto back = decodeConfiguration(b);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->strings, s.strings);
  EXPECT_EQ(back->record, s.record);
  // Cut anywhere, the file is not one; more after the record is ignored.
  for (size_t cut : {size_t(0), size_t(1), size_t(3), last + 100, b.size() - 1})
    EXPECT_FALSE(decodeConfiguration(std::vector<uint8_t>(b.begin(), b.begin() + std::ptrdiff_t(cut))))
        << cut;
  std::vector<uint8_t> longer = b;
  longer.insert(longer.end(), 50, 0xAB);
  EXPECT_TRUE(decodeConfiguration(longer));
}

// ---------------------------------------------------------------- load and defaults

TEST_F(ConfigurationTest, MissingOrBrokenFileGivesTheDefaultsWritten) {
  ASSERT_FALSE(fs::exists(ini()));
  EXPECT_FALSE(editor.loadConfiguration());
  const StoredConfiguration s = stored();
  const std::string home = homeFolder();
  for (size_t i : {0, 1, 2, 4, 5, 6, 7, 18}) EXPECT_EQ(s.strings[i], home) << i;
  EXPECT_EQ(s.strings[config_string::kLogPath], defaultLogPath());
  for (size_t i = 8; i < 18; ++i) EXPECT_EQ(s.strings[i], "") << i;
  const auto& r = s.record;
  // 16-bit words: the first window centred by the host, the fixed one, the transfer words.
  const std::pair<size_t, int> words[] = {{0, 100}, {4, 200}, {88, 340}, {92, 184}, {120, 383}, {122, 383}};
  for (auto [offset, value] : words) EXPECT_EQ(r[offset] | r[offset + 1] << 8, value) << offset;
  EXPECT_EQ(std::string(r.begin() + 124, r.begin() + 128), std::string("\x03"
                                                                       "eng"));
  const std::pair<size_t, int> defaults[] = {
      {384, 2}, {385, 1}, {386, 3}, {387, 0}, {388, 0}, {389, 0}, {390, 0}, {391, 20}, {392, 20},
      {393, 0}, {394, 0}, {395, 1}, {396, 0}, {397, 0}, {398, 1}, {399, 0}, {400, 1},  {401, 0},
      {402, 1}, {403, 1}, {404, 0}, {413, 0}, {414, 1}, {415, 0}, {416, 0}};
  for (auto [offset, value] : defaults) EXPECT_EQ(r[offset], value) << offset;
  EXPECT_EQ(editor.options().processingErrorPolicy, ProcessingErrorPolicy::TryToContinue);
  EXPECT_EQ(editor.options().lastSaveFolder, home);

  writeFile(ini(), {5, 0, 'a', 'b'});
  editor.options().autoReload = true;
  EXPECT_FALSE(editor.loadConfiguration());
  EXPECT_FALSE(editor.options().autoReload);
  EXPECT_EQ(readFile(ini()), encodeConfiguration(gatherConfiguration(editor.options())));
}

TEST_F(ConfigurationTest, StartupRaisesTheNoticeOnlyOnTheFirstStart) {
  ::setenv("KAVREL_HOME", data().c_str(), 1);
  InstanceRegistry first(dir.path());
  const StartupState a = startProgram(editor, first);
  ConfigHost h2;
  Editor second(h2);
  InstanceRegistry other(dir.path());
  const StartupState b = startProgram(second, other);
  ::unsetenv("KAVREL_HOME");
  EXPECT_EQ(a.notice, StartupNotice::ConfigurationReset);
  EXPECT_EQ(b.notice, StartupNotice::None);
  EXPECT_EQ(second.configurationPath, ini());
}

TEST_F(ConfigurationTest, ReadMapsForeignDefaultsAndChecksTheListedBytes) {
  // A log in the data folder, none, or the foreign default: the default log.
  for (const std::string& log : {data() + "/my.log", std::string(), std::string("C:\\kavrel.log")}) {
    loadIni([&](StoredConfiguration& s) { s.strings[config_string::kLogPath] = log; });
    EXPECT_EQ(editor.options().logPath, defaultLogPath()) << log;
  }
  loadIni([&](StoredConfiguration& s) {
    s.strings[config_string::kLogPath] = dir.file("elsewhere.log");
    s.strings[config_string::kSaveFolder] = "c:\\";  // the home folder
    s.strings[config_string::kOpenFolder] = dir.path();
  });
  EXPECT_EQ(editor.options().logPath, dir.file("elsewhere.log"));
  EXPECT_EQ(editor.options().lastSaveFolder, homeFolder());
  EXPECT_EQ(editor.options().lastInsertFolder, dir.path());

  // Byte 386 holds a version 2..4 in its low 7 bits: anything else is ID3v2.3.
  for (int format : {7, 0x87, 0, 1, 255}) {
    loadIni([&](StoredConfiguration& s) { s.record[ob::kNewTagFormat] = uint8_t(format); });
    EXPECT_EQ(editor.options().newTagFormat, 3) << format;
    EXPECT_TRUE(editor.optionChecked(OptionItem::Tag30));
  }
  for (auto [format, item] : {std::pair(130, OptionItem::Tag21), std::pair(132, OptionItem::Tag41)}) {
    loadIni([&](StoredConfiguration& s) { s.record[ob::kNewTagFormat] = uint8_t(format); });
    EXPECT_EQ(editor.options().newTagFormat, format);
    EXPECT_TRUE(editor.optionChecked(item)) << format;
  }

  loadIni([&](StoredConfiguration& s) {
    const std::pair<size_t, uint8_t> out[] = {{384, 9},  {385, 3},   {387, 0xFE}, {388, 3}, {390, 7},
                                              {391, 41}, {392, 200}, {393, 9},    {394, 5}, {395, 5}};
    for (auto [offset, value] : out) s.record[offset] = value;
  });
  const Options& o = editor.options();
  EXPECT_EQ(o.processingErrorPolicy, ProcessingErrorPolicy::Prompt);
  EXPECT_EQ(o.overwritePolicy, OverwritePolicy::PromptOnSaveAs);
  EXPECT_EQ(o.autoExit, 0);
  EXPECT_EQ(o.newTagPadding, 0);
  EXPECT_EQ(editor.options().fadeSliderMemory, 20);
  EXPECT_EQ(editor.options().volumeSliderMemory, 20);
  EXPECT_EQ(editor.options().volumeChannelMemory, 0);
  EXPECT_EQ(o.volumeMemoryMode, 0);
  EXPECT_EQ(o.fadeMemoryMode, 1);
  EXPECT_EQ(o.record[387], 2);  // masked
  editor.saveConfiguration();
  EXPECT_EQ(stored().record[384], 1);
  EXPECT_EQ(stored().record[387], 2);
  EXPECT_EQ(stored().record[391], 20);
}

TEST_F(ConfigurationTest, EveryFieldAndEveryUnclaimedByteComesBackFromTheFile) {
  std::array<uint8_t, kOptionsRecordSize> written{};
  loadIni([&](StoredConfiguration& s) {
    for (size_t i = 128; i < 384; ++i) s.record[i] = uint8_t(i * 7 + 3);
    for (size_t i : {389, 402, 404, 408, 413, 414}) s.record[i] = uint8_t(0xC0 + i % 16);
    s.record[387] = 3;
    written = s.record;
  });
  editor.saveConfiguration();
  const auto r = stored().record;
  for (size_t i = 128; i < 384; ++i) ASSERT_EQ(r[i], written[i]) << i;
  for (size_t i : {387, 389, 402, 404, 408, 413, 414}) EXPECT_EQ(r[i], written[i]) << i;

  Options& o = editor.options();
  o.processingErrorPolicy = ProcessingErrorPolicy::Fail;
  o.overwritePolicy = OverwritePolicy::Always;
  o.autoExit = 1;
  o.autoReload = o.promptToSaveChanges = o.showMessageBoxAfterRun = o.lockScriptsOrder = true;
  o.dontWriteEmptyTagFields = o.statisticsShowEdited = true;
  o.autoRemoveUnknown = o.autoSelectAll = o.silentIgnoreErrors = false;
  o.volumeMemoryMode = o.fadeMemoryMode = 2;
  o.transferWords = {1, 0x8123};
  o.defaultLanguage = "deu";
  o.windowPositions[5] = {-40, 70000};
  o.recentFiles = {"/m/1.mp3", "", "/m/3.mp3", "", "/m/5.mp3"};
  o.recentScripts = {"/s/a.txt", "/s/b.txt", "", "", ""};
  o.logPath = dir.file("x.log");
  o.importPictureFolder = "/pics";
  o.lastConfigurationFolder = "/cfg";
  editor.options().lastSaveFolder = "/saved";
  editor.options().lastInsertFolder = "/opened";
  editor.options().volumeSliderMemory = 27;
  editor.options().volumeChannelMemory = 2;
  editor.options().fadeSliderMemory = 33;
  editor.saveConfiguration();
  const std::vector<uint8_t> once = readFile(ini());

  ConfigHost h;
  Editor other(h);
  other.dataFolder = data();
  other.configurationPath = ini();
  ASSERT_TRUE(other.loadConfiguration());
  const StoredConfiguration mine = gatherConfiguration(editor.options()),
                            theirs = gatherConfiguration(other.options());
  EXPECT_EQ(theirs.strings, mine.strings);
  EXPECT_EQ(theirs.record, mine.record);
  // The typed fields, not only the bytes, came back.
  const Options& p = other.options();
  EXPECT_EQ(p.processingErrorPolicy, ProcessingErrorPolicy::Fail);
  EXPECT_EQ(p.overwritePolicy, OverwritePolicy::Always);
  EXPECT_TRUE(p.dontWriteEmptyTagFields && p.statisticsShowEdited && p.lockScriptsOrder);
  EXPECT_FALSE(p.autoRemoveUnknown || p.autoSelectAll || p.silentIgnoreErrors);
  EXPECT_EQ(p.transferWords, (std::array<uint16_t, 2>{1, 0x8123}));
  EXPECT_EQ(p.windowPositions[5], (WindowPosition{-40, 70000}));
  EXPECT_EQ(p.recentScripts, o.recentScripts);
  EXPECT_EQ(other.options().lastInsertFolder, "/opened");
  EXPECT_EQ(other.options().volumeChannelMemory, 2);
  EXPECT_EQ(other.options().fadeSliderMemory, 33);
  // The file order: recent file 1, recent script 1, recent file 2, ...
  EXPECT_EQ(mine.strings[8] + mine.strings[9] + mine.strings[11] + mine.strings[12],
            "/m/1.mp3/s/a.txt/s/b.txt/m/3.mp3");
  // A second round changes nothing.
  other.saveConfiguration();
  EXPECT_EQ(readFile(ini()), once);
}

TEST_F(ConfigurationTest, OverlongStringsAreWrittenAsTheirDefaults) {
  editor.loadConfiguration();
  editor.options().lastSaveFolder = "/" + std::string(kMaxConfigurationString, 'f');
  editor.options().logPath = "/" + std::string(kMaxConfigurationString, 'l');
  editor.options().recentFiles[0] = "/" + std::string(kMaxConfigurationString, 'r');
  editor.options().recentFiles[1] = "/" + std::string(kMaxConfigurationString - 1, 'r');  // just fits
  editor.options().lastConfigurationFolder = "/" + std::string(kMaxConfigurationString, 'c');
  editor.saveConfiguration();
  const StoredConfiguration s = stored();
  EXPECT_EQ(s.strings[config_string::kConfigurationFolder], homeFolder());
  EXPECT_EQ(s.strings[config_string::kSaveFolder], homeFolder());
  EXPECT_EQ(s.strings[config_string::kLogPath], defaultLogPath());
  EXPECT_EQ(s.strings[8], "");
  EXPECT_EQ(s.strings[10].size(), kMaxConfigurationString);
}

TEST_F(ConfigurationTest, WritesAreAtomicWhenTwoCopiesWriteAtOnce) {
  StoredConfiguration a, b;
  a.strings[0] = std::string(20000, 'a');
  b.strings[0] = std::string(30000, 'b');
  const std::vector<uint8_t> ba = encodeConfiguration(a), bb = encodeConfiguration(b);
  ASSERT_TRUE(writeFileAtomically(ini(), ba));
  pid_t children[2];
  for (int k = 0; k < 2; ++k) {
    children[k] = ::fork();
    if (children[k] == 0) {
      for (int i = 0; i < 150; ++i) writeFileAtomically(ini(), k == 0 ? ba : bb);
      ::_exit(0);
    }
  }
  int torn = 0;
  for (int i = 0; i < 300; ++i) {
    const std::vector<uint8_t> now = readFile(ini());
    torn += now != ba && now != bb;
  }
  for (pid_t c : children) ::waitpid(c, nullptr, 0);
  EXPECT_EQ(torn, 0);
  // No temporary file stays behind.
  int files = 0;
  for (const auto& e : fs::directory_iterator(data())) files += e.is_regular_file();
  EXPECT_EQ(files, 1);
  // A folder that cannot be written leaves the old file alone.
  EXPECT_FALSE(writeFileAtomically(dir.file("missing/kavrel.ini"), ba));
}

// ---------------------------------------------------------------- the Options menu commands

TEST_F(ConfigurationTest, SaveToAnotherFileRefusesTheDataFolderAndAsksAgain) {
  editor.loadConfiguration();
  editor.options().autoReload = true;
  host.answerSaveFile(data() + "/copy.ini");
  host.answerSaveFile(dir.file("copy.ini"));
  editor.saveConfigurationAsCommand();
  ASSERT_EQ(host.requests.size(), 2u);
  EXPECT_EQ(host.requests[0].title, "save options as");
  EXPECT_EQ(host.requests[0].filter, "ini files|*.ini|all files|*.*");
  EXPECT_TRUE(host.requests[0].confirmOverwrite);
  EXPECT_EQ(box(),
            "Warning: You are not allowed to save to application working folder.\r\nPlease change the path.");
  EXPECT_FALSE(fs::exists(data() + "/copy.ini"));
  EXPECT_EQ(readFile(dir.file("copy.ini")), readFile(ini()));
  EXPECT_EQ(editor.options().lastConfigurationFolder, dir.path());
  EXPECT_EQ(stored().record[ob::kAutoReload], 1);

  // An unwritable target: the error, kavrel.ini still written.
  host.clearRecord();
  host.answerSaveFile(dir.file("no/such/folder/x.ini"));
  editor.saveConfigurationAsCommand();
  EXPECT_EQ(box(), " error: Disk error writing the file.");
  EXPECT_EQ(host.messages()[0].icon, MessageIcon::Stop);
}

TEST_F(ConfigurationTest, LoadFromAnotherFile) {
  editor.loadConfiguration();
  // Another set of settings in a file elsewhere.
  editor.options().autoExit = 2;
  editor.options().recentFiles[0] = "/x/y.mp3";
  ASSERT_TRUE(writeConfigurationFile(editor.options(), dir.file("other.ini")));
  editor.options().autoExit = 0;
  editor.options().recentFiles[0] = "";
  host.answerOpenFile(data() + "/kavrel.ini");
  host.answerOpenFile(dir.file("other.ini"));
  editor.loadConfigurationFromCommand();
  EXPECT_EQ(box(), " error: You are not allowed to load from application working folder.");
  EXPECT_EQ(host.messages()[0].icon, MessageIcon::Stop);
  EXPECT_EQ(host.requests[0].title, "load options from");
  EXPECT_EQ(editor.options().autoExit, 2);
  EXPECT_EQ(editor.options().recentFiles[0], "/x/y.mp3");
  EXPECT_EQ(stored().record[ob::kAutoExit], 2);  // and kavrel.ini has them
  EXPECT_EQ(editor.options().lastConfigurationFolder, dir.path());

  // A broken file: the message, and the settings of kavrel.ini stay.
  host.clearRecord();
  writeFile(dir.file("broken.ini"), toBytes("short"));
  editor.options().autoExit = 1;  // not yet written
  host.answerOpenFile(dir.file("broken.ini"));
  editor.loadConfigurationFromCommand();
  EXPECT_EQ(box(), " error: Disk error reading the file.");
  EXPECT_EQ(editor.options().autoExit, 1);  // kavrel.ini was written before the read, then read back
}

TEST_F(ConfigurationTest, ResetAsksFirstAndKeepsTheDialogBytes) {
  editor.loadConfiguration();
  editor.options().record[200] = 0x5A;
  editor.options().autoExit = 2;
  editor.options().recentFiles[0] = "/a.mp3";
  host.answer(MessageResult::No);
  editor.resetConfigurationCommand();
  EXPECT_EQ(box(), "options reset: Are you certain?");
  EXPECT_EQ(host.messages()[0].buttons, MessageButtons::YesNo);
  EXPECT_EQ(host.messages()[0].defaultButton, MessageResult::No);
  EXPECT_EQ(editor.options().autoExit, 2);
  host.answer(MessageResult::Yes);
  editor.resetConfigurationCommand();
  EXPECT_EQ(editor.options().autoExit, 0);
  EXPECT_EQ(editor.options().recentFiles[0], "");
  EXPECT_EQ(editor.options().record[200], 0x5A);
  EXPECT_EQ(stored().record[200], 0x5A);
  EXPECT_EQ(stored().record[ob::kAutoExit], 0);
}

TEST_F(ConfigurationTest, OptionMenusActOnlyWhenIdleAndOverwritePolicyIsWrittenAtOnce) {
  editor.loadConfiguration();
  editor.scriptRunning = true;
  editor.chooseOption(OptionItem::Overwrite);
  EXPECT_EQ(editor.options().overwritePolicy, OverwritePolicy::PromptOnSaveAs);
  editor.scriptRunning = false;
  editor.chooseOption(OptionItem::AutoReload);  // reaches the file at the next write
  EXPECT_TRUE(editor.optionChecked(OptionItem::AutoReload));
  EXPECT_EQ(stored().record[ob::kAutoReload], 0);
  editor.chooseOption(OptionItem::Overwrite);
  EXPECT_TRUE(editor.optionChecked(OptionItem::Overwrite));
  EXPECT_FALSE(editor.optionChecked(OptionItem::SemiOverwrite));
  EXPECT_EQ(stored().record[ob::kOverwritePolicy], 2);
  EXPECT_EQ(stored().record[ob::kAutoReload], 1);
  for (OptionItem item : {OptionItem::Aex2, OptionItem::Mv1, OptionItem::Mf2, OptionItem::AutoSelect})
    editor.chooseOption(item);
  EXPECT_EQ(editor.options().autoExit, 1);
  EXPECT_EQ(editor.options().volumeMemoryMode, 1);
  EXPECT_EQ(editor.options().fadeMemoryMode, 2);
  EXPECT_FALSE(editor.options().autoSelectAll);
  // ID3v2.4 with unsynchronisation is 132.
  editor.chooseOption(OptionItem::Tag41);
  EXPECT_EQ(editor.options().newTagFormat, 132);
  EXPECT_TRUE(editor.optionChecked(OptionItem::Tag41));
  EXPECT_FALSE(editor.optionChecked(OptionItem::Tag40));
  editor.chooseOption(OptionItem::PvKb);
  editor.saveConfiguration();
  EXPECT_EQ(stored().record[ob::kNewTagFormat], 132);
  EXPECT_EQ(stored().record[ob::kPadding], 6);
}

// ---------------------------------------------------------------- options reach their users

TEST_F(ConfigurationTest, StoredOptionsDriveLoadingAndTheDialogMemories) {
  loadIni([&](StoredConfiguration& s) {
    s.record[ob::kAutoSelectAll] = 0;
    s.record[ob::kAutoRemoveUnknown] = 1;
    s.record[ob::kVolumeMemoryMode] = 2;
    s.record[ob::kVolumeMagnitude] = 25;
  });
  const std::string path = dir.file("a.mp3");
  writeFile(path, Mp3Builder().riff().frames(20).bytes());
  ASSERT_TRUE(editor.loadFile(path));
  EXPECT_FALSE(editor.multipleSelected);
  EXPECT_TRUE(editor.removeChecked(Block::Riff));
  // The volume dialog opens where it was left in an earlier run.
  editor.selectAll(Sender::User);
  editor.amplify(Sender::User);
  ASSERT_EQ(host.volumeDialogs().size(), 1u);
  EXPECT_EQ(host.volumeDialogs()[0].sliderPosition, 25);
}

}  // namespace
}  // namespace kavrel::test
