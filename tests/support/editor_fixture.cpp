#include "support/editor_fixture.h"

namespace kavrel::test {

EditorFixture::EditorFixture() {
  editor.options().autoSelectAll = false;
  editor.options().autoRemoveUnknown = false;
  editor.options().fadeMemoryMode = 0;
}

std::string EditorFixture::write(const std::string& name, const std::vector<uint8_t>& bytes) {
  writeFile(dir.file(name), bytes);
  return dir.file(name);
}

void EditorFixture::load(const Mp3Builder& b, bool mark) {
  ASSERT_TRUE(editor.loadFile(write("base.mp3", b))) << editor.lineError;
  marked = mark ? doc().documentFrameCount() : 0;
  for (int i = 0; i < marked; ++i) doc().gainList[size_t(i)] = {int16_t(i), int16_t(-i)};
  clear();
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
    text += (i > a ? " " : "") + std::to_string(g.left) +
            (g.left == g.right ? "" : "/" + std::to_string(g.right));
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
