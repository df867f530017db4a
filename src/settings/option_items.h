#pragma once
// The items of the Options menu and the statistics popup: names (the
// widgets carry them), captions and the submenu each belongs to. Editor
// answers whether one is checked and acts when one is chosen.

#include <array>
#include <cstddef>

namespace kavrel {

enum class OptionItem : int {
  AutoSelect,
  Aru,
  SaveChanges,
  AutoReload,
  Dnce,
  DropGapless,
  NeverOverwrite,
  SemiOverwrite,
  Overwrite,
  Aex1,
  Aex2,
  Aex3,
  Tag20,
  Tag21,
  Tag30,
  Tag31,
  Tag40,
  Tag41,
  Pv0,
  Pv2,
  Pv4,
  Pv16,
  Pv64,
  Pv256,
  PvKb,
  Mv0,
  Mv1,
  Mv2,
  Mf0,
  Mf1,
  Mf2,
  InputStats,
  OutputStats,
  Count
};
inline constexpr size_t kOptionItemCount = size_t(OptionItem::Count);

struct OptionItemInfo {
  const char* name;  // object name of the menu item
  const char* caption;
  const char* submenu;  // nullptr: directly in the Options menu
  bool radio;           // one of a group; else a toggle
};

inline constexpr std::array<OptionItemInfo, kOptionItemCount> kOptionItems = {{
    {"MenuAutoSelect", " &Automatically select all on load", nullptr, false},
    {"MenuAru", " Automatically check \"Remove &unknown data && RIFF\"", nullptr, false},
    {"MenuSaveChanges", " &Prompt to save changes when closing", nullptr, false},
    {"MenuAutoReload", " &Reload after overwriting the source file", nullptr, false},
    {"MenuDnce", " &Don't write ID3v2 fields without content and description", nullptr, false},
    {"MenuDropGapless", " Drop &gapless information (encoder delay and padding) when saving", nullptr, false},
    {"MenuNeverOverwrite", "Never overwrite without pr&ompt", " &Overwrite existing files when saving...",
     true},
    {"MenuSemiOverwrite", "Prompt to overwrite only when \"saving &as\"",
     " &Overwrite existing files when saving...", true},
    {"MenuOverwrite", "Always over&write existing files without prompt",
     " &Overwrite existing files when saving...", true},
    {"MenuAex1", "&Never", " Automatically e&xit when closing a file", true},
    {"MenuAex2", "If called with a &parameter", " Automatically e&xit when closing a file", true},
    {"MenuAex3", "&Always", " Automatically e&xit when closing a file", true},
    {"MenuTag20", "ID3v2.&2", " New ID3v2 &tag format", true},
    {"MenuTag21", "ID3v2.2 + unsynchronisation", " New ID3v2 &tag format", true},
    {"MenuTag30", "ID3v2.&3", " New ID3v2 &tag format", true},
    {"MenuTag31", "ID3v2.3 + unsynchronisation", " New ID3v2 &tag format", true},
    {"MenuTag40", "ID3v2.&4", " New ID3v2 &tag format", true},
    {"MenuTag41", "ID3v2.4 + unsynchronisation", " New ID3v2 &tag format", true},
    {"MenuPv0", "&0 bytes", " ID3v2 &padding", true},
    {"MenuPv2", "&2 bytes", " ID3v2 &padding", true},
    {"MenuPv4", "&4 bytes", " ID3v2 &padding", true},
    {"MenuPv16", "&16 bytes", " ID3v2 &padding", true},
    {"MenuPv64", "6&4 bytes", " ID3v2 &padding", true},
    {"MenuPv256", "2&56 bytes", " ID3v2 &padding", true},
    {"MenuPvKb", "1 &KB", " ID3v2 &padding", true},
    {"MenuMv0", "Do&n't (always reset to zero)", " Remember &magnitude of volume/balance adjustment", true},
    {"MenuMv1", "Remember but reset after &closing the file",
     " Remember &magnitude of volume/balance adjustment", true},
    {"MenuMv2", "&Remember", " Remember &magnitude of volume/balance adjustment", true},
    {"MenuMf0", "Do&n't (always reset to 30 dB)", " Remember &magn&itude of fade in/out", true},
    {"MenuMf1", "Remember but reset after &closing the file", " Remember &magn&itude of fade in/out", true},
    {"MenuMf2", "&Remember", " Remember &magn&itude of fade in/out", true},
    {"MenuInputStats", " &input stats", nullptr, true},
    {"MenuOutputStats", " &edited stats", nullptr, true},
}};

inline const OptionItemInfo& optionItemInfo(OptionItem item) { return kOptionItems[size_t(item)]; }

// The menu image of a toggled option: 32 when on, 31 when off.
inline constexpr int optionImage(bool on) { return on ? 32 : 31; }

}  // namespace kavrel
