#include "support/editor_fixture.h"

namespace kavrel::test {

EditorFixture::EditorFixture() {
  Options& o = editor.options();
  o.autoSelectAll = o.autoRemoveUnknown = false, o.fadeMemoryMode = 0;
}

std::string EditorFixture::write(const std::string& name, const std::vector<uint8_t>& bytes) {
  return writeFile(dir.file(name), bytes), dir.file(name);
}

std::string EditorFixture::load(const std::vector<uint8_t>& bytes, const std::string& name, bool mark) {
  const std::string path = write(name, bytes);
  EXPECT_TRUE(editor.loadFile(path)) << editor.lineError;
  marked = mark ? doc().documentFrameCount() : 0;
  for (int i = 0; i < marked; ++i) doc().gainList[size_t(i)] = {int16_t(i), int16_t(-i)};
  clear();
  return path;
}

std::vector<uint8_t> EditorFixture::saveAsNew(const std::string& name) {
  EXPECT_TRUE(editor.saveAs(Sender::User, dir.file(name))) << boxes();
  return exists(dir.file(name)) ? readFile(dir.file(name)) : std::vector<uint8_t>{};
}

std::string EditorFixture::scriptSaveAsError(const std::string& target, int status) {
  script();
  EXPECT_FALSE(editor.saveAs(Sender::ScriptMarker, target));
  EXPECT_EQ(editor.operationStatus, status);
  return editor.lineError;
}

std::string EditorFixture::insertFile(const std::string& name, int count, uint8_t gain, int32_t at) {
  const std::string path = write(name, Mp3Builder().frames(count, {.gains = {gain, gain, gain, gain}}));
  EXPECT_EQ(editor.insertFileAt(path, at), 0) << editor.lineError;
  return path;
}

std::string EditorFixture::runs(const std::vector<int32_t>& l) {
  std::string text;
  for (size_t i = 0, j = 0; i < l.size(); i = j) {
    for (j = i + 1; j < l.size() && l[j] == l[j - 1] + 1;) ++j;
    text += (i ? " " : "") + std::to_string(l[i]) + (j - i > 1 ? "-" + std::to_string(l[j - 1]) : "");
  }
  return text;
}

std::string EditorFixture::frames() {
  const std::vector<int32_t>& l = doc().frameList;
  for (size_t i = 0; marked > 0 && i < l.size(); ++i) {
    const int32_t f = l[i];
    if (doc().gainList[i] != (f >= 0 && f < marked ? GainPair{int16_t(f), int16_t(-f)} : GainPair{}))
      return runs(l) + " gains moved";
  }
  return runs(l);
}

std::string EditorFixture::sel() const {
  const auto [a, b] = editor.selection;
  if (editor.multipleSelected) return std::to_string(a) + ".." + std::to_string(b);
  return std::to_string(a) + (a == b ? "" : " unselected " + std::to_string(b));
}

std::string EditorFixture::gains(size_t a, size_t b) {
  std::string text;
  for (size_t i = a; i < b; ++i) {
    const GainPair g = doc().gainList[i];
    text += (i > a ? " " : "") + std::to_string(g.left);
    if (g.left != g.right) text += "/" + std::to_string(g.right);
  }
  return text;
}

std::string EditorFixture::commands(Command from, Command to) const {
  std::string text;
  for (int c = int(from); c < int(to); ++c)
    if (on(Command(c))) text += (text.empty() ? "" : " ") + std::string(commandName(Command(c)));
  return text;
}

std::string EditorFixture::edits() const {
  const std::string text = commands(Command::SaveSelection, Command::PageLeft);
  const std::string all = "SaveSelection Unselect Volume Fade PlaySelection Delete Copy Cut";
  return text.rfind(all, 0) == 0 ? "sel" + text.substr(all.size()) : text;
}

std::string EditorFixture::boxes() {
  static const char* const kIcons[] = {"", "i", "?", "!", "x"};  // in MessageIcon order
  const std::vector<RecordedMessage>& m = host.messages();
  std::string text;
  for (size_t i = seen_; i < m.size(); ++i)
    text +=
        (text.empty() ? "" : " / ") + std::string(kIcons[int(m[i].icon)]) + m[i].caption + ": " + m[i].text;
  seen_ = m.size();
  return text;
}

std::string EditorFixture::after() {
  const int status = editor.operationStatus;
  return state() + " | " + edits() + " | " + (status == 77 ? "-" : std::to_string(status)) +
         (boxes().empty() ? "" : " +box");
}

void EditorFixture::play(const std::vector<std::pair<Fn, const char*>>& steps) {
  for (size_t i = 0; i < steps.size(); ++i) {
    editor.operationStatus = 77;
    steps[i].first();
    EXPECT_EQ(after(), steps[i].second) << "step " << i + 1;
  }
}

}  // namespace kavrel::test
