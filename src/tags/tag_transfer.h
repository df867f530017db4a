#pragma once
// Copying the common fields between the ID3v1 and the ID3v2 editor: the
// settings word of the transfer dialog and the two directions. Both work on
// the editors' boxes as the user sees them, not on the tags; the editor that
// receives them keeps or drops the result with its own OK or Cancel.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kavrel {

// The seven fields in transfer order, as bit numbers of the settings word.
enum class TransferField : int { Title, Artist, Album, Genre, Comment, Year, Track };
inline constexpr int kTransferFieldCount = 7;

// The settings word: bits 0..6 the fields, bit 7 the same settings for the
// opposite direction, bit 8 overwrite (else only into blank boxes), bit 9
// remember the word.
inline constexpr uint16_t kTransferOpposite = 1u << 7;
inline constexpr uint16_t kTransferOverwrite = 1u << 8;
inline constexpr uint16_t kTransferRemember = 1u << 9;
inline constexpr uint16_t kTransferDefault = 383;  // all fields, overwrite
inline constexpr uint16_t kTransferFieldBits = 0x7F;
constexpr uint16_t transferBit(TransferField f) { return uint16_t(1u << int(f)); }

inline constexpr const char* kTransferNoFields = "You chose no fields to copy.";

// Direction: 0 = ID3v1 to ID3v2, 1 = ID3v2 to ID3v1 (the index of its
// remembered word).
enum class TransferDirection : int { V1ToV2 = 0, V2ToV1 = 1 };

// The word the dialog opens with: the stored one when it was remembered,
// else the default.
uint16_t transferDialogWord(uint16_t stored);
// OK in the dialog: which stored words change (both when the opposite
// direction shares the settings); nothing unless the word is remembered.
void storeTransferWord(std::array<uint16_t, 2>& stored, TransferDirection direction, uint16_t word);
// "data transfer from ID3v1 to ID3v2" and the other way.
std::string transferTitle(TransferDirection direction);
// The question of a double click on the title, towards the other direction.
std::string transferSwitchQuestion(TransferDirection direction);

// The ID3v1 editor's boxes. genreLine is the selected line of the genre
// list (0..148), -1 when none is selected.
struct Id3v1Boxes {
  std::string title, artist, album, comment, year, track;
  int genreLine = -1;
  bool version11 = true;  // the editor shows version 1.1 (it has a track)
};

// The ID3v2 editor's main boxes the transfer touches.
struct Id3v2Boxes {
  std::string title, artist, album, genre, comment, year, track;
};

// Tag12 and Tag21: fill the target boxes from the source boxes by `word`.
// The result lists the boxes that changed (to highlight); empty with
// noFields when the word selects no field, the target then untouched.
struct TransferResult {
  bool noFields = false;
  std::vector<TransferField> changed;
};
TransferResult transferToId3v2(const Id3v1Boxes& from, Id3v2Boxes& to, uint16_t word);
TransferResult transferToId3v1(const Id3v2Boxes& from, Id3v1Boxes& to, uint16_t word);

// The genre line of an ID3v2 genre text: blanks and NULs at both ends
// removed, one of the 149 names in any case, or the ID3v1 number other
// taggers write ("(17)", "(17)Rock", "17"); -1 for no match.
int genreLineOf(const std::string& genre);

}  // namespace kavrel
