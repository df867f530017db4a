// kavrel.ini: layout, defaults, read checks, recent lists, atomic writes.
#include "settings/configuration.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "base/paths.h"
#include "support/test_files.h"

namespace kavrel::test {
namespace {

namespace fs = std::filesystem;
const std::string kData = "/kavrel-data";  // the folder a log may not lie in

// Bytes [from, from + n) as "02 01 03".
std::string hex(const auto& bytes, size_t from, size_t n) {
  std::string out;
  char b[4];
  for (size_t i = from; i < from + n; ++i) {
    std::snprintf(b, sizeof b, i == from ? "%02X" : " %02X", unsigned(bytes[i]));
    out += b;
  }
  return out;
}

// The field behind each string of the file, in file order.
std::string& field(Options& o, size_t i) {
  // clang-format off
  std::string* f[kConfigurationStrings] = {
      &o.lastSaveFolder, &o.lastInsertFolder, &o.lastScriptFolder, &o.logPath, &o.exportFieldFolder,
      &o.importFieldFolder, &o.exportPictureFolder, &o.importPictureFolder,
      &o.recentFiles[0], &o.recentScripts[0], &o.recentFiles[1], &o.recentScripts[1], &o.recentFiles[2],
      &o.recentScripts[2], &o.recentFiles[3], &o.recentScripts[3], &o.recentFiles[4], &o.recentScripts[4],
      &o.lastConfigurationFolder};
  // clang-format on
  return *f[i];
}

// What a string holds when it is left to its default.
std::string defaultString(size_t i) {
  return i == config_string::kLogPath ? defaultLogPath() : (i >= 8 && i < 18) ? "" : homeFolder();
}

// Options read from the defaults with one record byte and one string changed.
Options readWith(size_t offset, uint8_t byte, size_t index = 0, const std::string& text = "") {
  Options o;
  resetConfiguration(o, kData, nullptr);
  StoredConfiguration s = gatherConfiguration(o);
  s.record[offset] = byte;
  s.strings[index] = text;
  applyConfiguration(o, s, kData);
  return o;
}

TEST(ConfigurationBytes, ResetGivesTheInstallationDefaultsAndKeepsTheDialogBytes) {
  Options o;
  o.record[200] = 0x5A;  // a dialog's own setting
  o.autoExit = 2;
  o.recentFiles[0] = "/a.mp3";
  resetConfiguration(o, kData, [](size_t slot) { return WindowPosition{int32_t(100 + slot), 200}; });
  const StoredConfiguration s = gatherConfiguration(o);
  for (size_t i = 0; i < kConfigurationStrings; ++i) EXPECT_EQ(s.strings[i], defaultString(i)) << i;
  // Every window centred by the host except the fixed one at 340, 184.
  for (size_t slot = 0; slot < kWindowSlots; ++slot) {
    const std::string centred = hex(std::array{uint8_t(100 + slot)}, 0, 1) + " 00 00 00 C8 00 00 00";
    EXPECT_EQ(hex(s.record, 8 * slot, 8), slot == kFixedWindowSlot ? "54 01 00 00 B8 00 00 00" : centred);
  }
  EXPECT_EQ(hex(s.record, 120, 8), "7F 01 7F 01 03 65 6E 67");
  EXPECT_EQ(hex(s.record, 384, 20), "02 01 03 00 00 00 00 14 14 00 00 01 00 00 01 00 01 00 01 01");
  EXPECT_EQ(hex(s.record, 404, 13), "00 00 00 00 00 00 00 00 00 00 01 00 00");
  EXPECT_EQ(s.record[200], 0x5A);
}

TEST(ConfigurationBytes, EveryFieldHasItsPlaceAndComesBack) {
  TempDir dir;
  const std::string path = dir.file("kavrel.ini");
  // clang-format off
  const std::pair<size_t, bool Options::*> flags[] = {
      {396, &Options::autoReload}, {397, &Options::promptToSaveChanges}, {398, &Options::autoRemoveUnknown},
      {399, &Options::showMessageBoxAfterRun}, {400, &Options::silentIgnoreErrors},
      {401, &Options::statisticsShowEdited}, {403, &Options::autoSelectAll},
      {415, &Options::dontWriteEmptyTagFields}, {416, &Options::lockScriptsOrder}};
  // clang-format on
  for (bool flip : {false, true}) {  // each flag on and off, neighbours never alike
    Options o;
    resetConfiguration(o, kData, nullptr);
    std::fill(o.record.begin() + 384, o.record.end(), uint8_t(0xEE));  // what no field claims stays
    for (size_t i = 128; i < 384; ++i) o.record[i] = uint8_t(i * 7 + 3);
    for (size_t i = 0; i < kConfigurationStrings; ++i) field(o, i) = "/s" + std::to_string(i);
    for (size_t k = 0; k < std::size(flags); ++k) o.*flags[k].second = (k % 2 == 0) != flip;
    o.processingErrorPolicy = ProcessingErrorPolicy::Fail;
    o.overwritePolicy = OverwritePolicy::Always;
    o.newTagFormat = 132, o.newTagPadding = 5, o.autoExit = o.volumeChannelMemory = 1;
    o.fadeSliderMemory = 33, o.volumeSliderMemory = 27, o.volumeMemoryMode = 2, o.fadeMemoryMode = 0;
    o.transferWords = {1, 0x8123}, o.defaultLanguage = "deu";
    o.windowPositions[13] = {-40, 70000}, o.windowPositions[14] = {7, -1};
    ASSERT_TRUE(writeConfigurationFile(o, path));
    const std::vector<uint8_t> once = readFile(path);
    EXPECT_EQ(hex(once, 0, 10), "03 00 2F 73 30 03 00 2F 73 31");  // counted strings, then the record
    const StoredConfiguration s = decodeConfiguration(once).value();
    for (size_t i = 0; i < kConfigurationStrings; ++i) EXPECT_EQ(s.strings[i], "/s" + std::to_string(i)) << i;
    EXPECT_EQ(hex(s.record, 104, 24),  // the last two windows, the transfer words, the language
              "D8 FF FF FF 70 11 01 00 07 00 00 00 FF FF FF FF 01 00 23 81 03 64 65 75");
    EXPECT_EQ(hex(s.record, 384, 12), "00 02 84 02 01 EE 05 21 1B 01 02 00");  // 387 masked to two bits
    for (size_t k = 0; k < std::size(flags); ++k) EXPECT_EQ(s.record[flags[k].first], (k % 2 == 0) != flip);
    for (size_t i : {389, 402, 404, 408, 413, 414}) EXPECT_EQ(s.record[i], 0xEE) << i;
    for (size_t i = 128; i < 384; ++i) ASSERT_EQ(s.record[i], uint8_t(i * 7 + 3)) << i;
    // Read back, every field is the same: written again, the same bytes.
    Options back;
    ASSERT_TRUE(readConfigurationFile(back, kData, path));
    ASSERT_TRUE(writeConfigurationFile(back, path));
    EXPECT_EQ(readFile(path), once);
    // Cut anywhere, the file is not one; more after the record is ignored.
    for (size_t cut : {size_t(0), size_t(1), size_t(3), size_t(100), once.size() - 1})
      EXPECT_FALSE(decodeConfiguration({once.begin(), once.begin() + std::ptrdiff_t(cut)})) << cut;
    std::vector<uint8_t> longer = once;
    longer.insert(longer.end(), 50, 0xAB);
    EXPECT_EQ(decodeConfiguration(longer).value().record, s.record);
  }
  StoredConfiguration wide;
  wide.strings[0] = std::string(300, 'x');  // lengths are 16-bit, low byte first
  EXPECT_EQ(hex(encodeConfiguration(wide), 0, 3), "2C 01 78");
}

TEST(ConfigurationRead, OutOfRangeBytesTakeTheirFallbacks) {
  // offset, as stored, as taken (in the record and the field it feeds)
  // clang-format off
  const std::tuple<size_t, uint8_t, uint8_t> rows[] = {
      {384, 9, 1}, {384, 2, 2}, {385, 3, 1}, {385, 2, 2}, {386, 7, 3}, {386, 0x87, 3}, {386, 0, 3},
      {386, 1, 3}, {386, 255, 3}, {386, 2, 2}, {386, 4, 4}, {386, 130, 130}, {386, 132, 132}, {387, 0xFE, 2},
      {388, 3, 0}, {388, 2, 2}, {390, 7, 0}, {390, 6, 6}, {391, 41, 20}, {391, 40, 40}, {392, 200, 20},
      {392, 40, 40}, {393, 3, 0}, {393, 2, 2}, {394, 5, 0}, {394, 2, 2}, {395, 5, 1}, {395, 2, 2}};
  // clang-format on
  for (const auto& [offset, stored, taken] : rows) {
    const Options o = readWith(offset, stored);
    EXPECT_EQ(o.record[offset], taken) << offset << " " << int(stored);
    EXPECT_EQ(gatherConfiguration(o).record[offset], taken) << offset << " " << int(stored);
  }
  // The language: a length byte of 3 and three printable letters, else "eng".
  EXPECT_EQ(readWith(125, 'd').defaultLanguage + readWith(124, 2).defaultLanguage +
                readWith(126, 1).defaultLanguage,
            "dngengeng");
}

TEST(ConfigurationRead, FoldersAndTheLogPathMapForeignAndEmptyValues) {
  // string, as stored, whether it is kept (else its default is taken)
  // clang-format off
  const std::tuple<size_t, std::string, bool> rows[] = {
      {0, "", false}, {0, "c:\\", false}, {1, "C:\\", false}, {1, "/m", true}, {2, "", false}, {4, "", false},
      {5, "c:\\", false}, {6, "", false}, {7, "", false}, {18, "c:\\", false}, {18, "/cfg", true},
      {8, "", false}, {9, "/r", true}, {3, "", false}, {3, "C:\\Kavrel.LOG", false},
      {3, kData + "/my.log", false}, {3, "/elsewhere/x.log", true}};
  // clang-format on
  for (const auto& [index, stored, kept] : rows) {
    Options o = readWith(384, 2, index, stored);
    EXPECT_EQ(field(o, index), kept ? stored : defaultString(index)) << index << " " << stored;
  }
}

TEST(ConfigurationBytes, OverlongStringsAreWrittenAsTheirDefaults) {
  Options o;
  const std::string fits = "/" + std::string(kMaxConfigurationString - 1, 'x');
  for (size_t i = 0; i < kConfigurationStrings; ++i) field(o, i) = fits + "y";
  const StoredConfiguration s = gatherConfiguration(o);
  for (size_t i = 0; i < kConfigurationStrings; ++i) EXPECT_EQ(s.strings[i], defaultString(i)) << i;
  for (size_t i = 0; i < kConfigurationStrings; ++i) field(o, i) = fits;
  for (const std::string& kept : gatherConfiguration(o).strings) EXPECT_EQ(kept, fits);
}

TEST(RecentLists, CaptionsAndOrder) {
  EXPECT_EQ(recentCaption(0, "/m/Song.MP3") + recentCaption(4, "/m/a.mp3.wav") + recentCaption(1, "/m/.mp3"),
            " &1. Song &5. a.mp3.wav &2. ");
  std::array<std::string, 5> list{"/a", "/b", "/c", "/d", "/e"};
  putRecent(list, "/f");  // the oldest drops out
  EXPECT_EQ(list, (std::array<std::string, 5>{"/f", "/a", "/b", "/c", "/d"}));
  putRecent(list, "/C");  // the same name in another case moves up
  putRecent(list, "/C");
  EXPECT_EQ(list, (std::array<std::string, 5>{"/C", "/f", "/a", "/b", "/d"}));
}

TEST(ConfigurationFile, WritesAreAtomicWhenTwoCopiesWriteAtOnce) {
  TempDir dir;
  const std::string ini = dir.file("kavrel.ini");
  StoredConfiguration a, b;
  a.strings[0] = std::string(20000, 'a');
  b.strings[0] = std::string(30000, 'b');
  const std::vector<uint8_t> ba = encodeConfiguration(a), bb = encodeConfiguration(b);
  ASSERT_TRUE(writeFileAtomically(ini, ba));
  pid_t children[2];
  for (int k = 0; k < 2; ++k) {
    if ((children[k] = ::fork()) != 0) continue;
    for (int i = 0; i < 150; ++i) writeFileAtomically(ini, k == 0 ? ba : bb);
    ::_exit(0);
  }
  int torn = 0;
  for (int i = 0; i < 300; ++i) {
    const std::vector<uint8_t> now = readFile(ini);
    torn += now != ba && now != bb;
  }
  for (pid_t c : children) ::waitpid(c, nullptr, 0);
  EXPECT_EQ(torn, 0);
  // No temporary file stays behind; a folder that cannot be written fails.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
  EXPECT_FALSE(writeFileAtomically(dir.file("missing/kavrel.ini"), ba));
  Options o;
  EXPECT_FALSE(readConfigurationFile(o, kData, dir.file("missing.ini")));
}

}  // namespace
}  // namespace kavrel::test
