// What the field dialogs remember survives the configuration file, and a
// reset forgets it.

#include <gtest/gtest.h>

#include "app/field_files.h"
#include "settings/configuration.h"

namespace kavrel {
namespace {

FieldDialogMemory throughTheFile(const Options& written) {
  Options read;
  applyConfiguration(read, gatherConfiguration(written), "/nonexistent");
  return storedFieldDialogMemory(read);
}

TEST(FieldDialogMemory, RemembersThroughTheFileAndForgetsOnReset) {
  FieldLoadChoice load{2, {true, false, true}, "deu", "cover art"};
  const FieldSaveChoice save{{false, true, true, false}};
  const std::pair<std::optional<FieldLoadChoice>, std::optional<FieldSaveChoice>> rows[] = {
      {load, save}, {std::nullopt, save}, {load, std::nullopt}, {std::nullopt, std::nullopt}};
  for (const auto& [l, s] : rows) {
    Options o;
    storeFieldDialogMemory(o, {l, s});
    const FieldDialogMemory m = throughTheFile(o);
    EXPECT_EQ(m.load, l);
    EXPECT_EQ(m.save, s);
  }

  // A description longer than its place keeps its first 255 bytes.
  Options o;
  load.description = std::string(300, 'd');
  storeFieldDialogMemory(o, {load, std::nullopt});
  EXPECT_EQ(throughTheFile(o).load->description, std::string(255, 'd'));

  resetConfiguration(o, "/nonexistent", [](size_t) { return WindowPosition{}; });
  EXPECT_FALSE(storedFieldDialogMemory(o).load.has_value());
  EXPECT_FALSE(storedFieldDialogMemory(o).save.has_value());
  EXPECT_EQ(o.record[tag_option_byte::kEditorNote], 1);
  EXPECT_EQ(o.record[tag_option_byte::kExternalTextViewer], 0);
}

}  // namespace
}  // namespace kavrel
