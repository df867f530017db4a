#include "editing/split_plan.h"

#include <filesystem>
#include <system_error>

namespace kavrel {

SplitDialogState splitDialogState(bool hasSelection, int32_t a, int32_t b, int32_t frameCount) {
  SplitDialogState s;
  if (!hasSelection) b = a;
  s.saveSelectionVisible = hasSelection;
  SplitPart& p1 = s.parts[0];
  SplitPart& p2 = s.parts[1];
  SplitPart& p3 = s.parts[2];
  p1.start = 0;
  p1.end = a;
  p2.start = a;
  p2.end = b;
  p3.start = b;
  p3.end = frameCount;
  p1.fileNumber = 1;
  p2.fileNumber = 2;
  p3.fileNumber = hasSelection ? 3 : 2;
  if (hasSelection) {
    p1.enabled = a > 0;
    p2.enabled = a != b;
    p3.enabled = b < frameCount;
    p1.caption = p1.enabled ? " File 1: left of (before) selection " : " File 1: N/A ";
    p2.caption = p2.enabled ? " File 2: the selection " : " File 2: N/A ";
    p3.caption = p3.enabled ? " File 3: right of (after) selection " : " File 3: N/A ";
  } else {
    p1.enabled = a != 0;
    p2.enabled = false;
    p3.enabled = a < frameCount;
    p1.caption = p1.enabled ? " File 1: left of (before) cursor " : " File 1: N/A ";
    p2.caption = " no selection ";
    p3.caption = p3.enabled ? " File 2: right of (after) cursor " : " File 2: N/A ";
  }
  for (SplitPart& p : s.parts) p.checked = p.enabled;
  s.fileLabels.fill(kNoFileNameYet);
  return s;
}

SaveSelectionDialogState saveSelectionDialogState(const FileLayout& layout) {
  SaveSelectionDialogState s;
  auto found = [&](Block b, bool yes) { s.available[size_t(b)] = yes; };
  found(Block::Riff, layout.riffFound);
  found(Block::Id3v2, layout.id3v2Found);
  found(Block::UnknownHeader, layout.unknownHeaderFound);
  found(Block::UnknownFooter, layout.unknownFooterFound);
  found(Block::Ape, layout.apeFound);
  found(Block::Lyrics3, layout.lyrics3Found);
  found(Block::Id3v1, layout.id3v1Found);
  s.fileLabel = kNoFileNameYet;
  return s;
}

bool splitReady(const SplitDialogState& state, const SplitDialogResult& choice) {
  bool any = false;
  for (size_t k = 0; k < 3; ++k) {
    if (!state.parts[k].enabled || !choice.checked[k]) continue;
    if (choice.names[k].empty()) return false;
    any = true;
  }
  return any;
}

std::string comparableFileName(const std::string& name) {
  std::error_code ec;
  std::string full = name;
  const std::filesystem::path absolute = std::filesystem::absolute(name, ec);
  if (!ec) full = absolute.lexically_normal().string();
  while (!full.empty() && (full.back() == ' ' || full.back() == '\0')) full.pop_back();
  for (char& c : full)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return full;
}

std::optional<SameNameParts> findSameNames(const std::array<SplitPart, 3>& parts,
                                           const std::array<bool, 3>& checked,
                                           const std::array<std::string, 3>& names) {
  auto used = [&](size_t k) { return parts[k].enabled && checked[k]; };
  for (size_t k = 0; k < 3; ++k) {
    if (!used(k)) continue;
    for (size_t j = k + 1; j < 3; ++j) {
      if (!used(j)) continue;
      if (comparableFileName(names[k]) == comparableFileName(names[j])) return SameNameParts{int(k), int(j)};
    }
  }
  return std::nullopt;
}

std::string fileLabelText(const std::string& name, const std::function<bool(const std::string&)>& fits) {
  if (name.empty()) return kNoFileNameYet;
  std::string text = name;
  size_t dropped = 0;
  while (text.size() > 12 && fits && !fits(text) && dropped < name.size()) {
    ++dropped;
    text = "..." + name.substr(dropped);
  }
  return text;
}

TargetPicture targetPicture(const std::string& name) {
  if (name.empty()) return TargetPicture::Yellow;
  std::error_code ec;
  return std::filesystem::exists(name, ec) ? TargetPicture::Red : TargetPicture::Green;
}

}  // namespace kavrel
