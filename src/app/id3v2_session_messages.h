#pragma once
// Texts of the ID3v2 tag editor, exactly as the program shows them.

namespace kavrel::id3v2_msg {

inline constexpr const char* kCaption = " ID3v2 (header) tag editor";
inline constexpr const char* kChangesNote =
    "changes will actually be saved when you use main window's \"save\" function";
inline constexpr const char* kFirstUseNote =
    "LISTEN CAREFULLY, I SHALL SAY THIS ONLY ONCE:\r\n\n"
    "- Right click a textbox or combo in use for more functions\r\n\n"
    "- Hover mouse cursor over a textbox or combo in use to see basic field info\r\n\n"
    "- Kavrel can't edit unicode; altered unicode text will be saved as ISO-8859-1\r\n\n";
inline constexpr const char* kWarningCaption = "Warning";
inline constexpr const char* kProgramCaption = "Kavrel";
inline constexpr const char* kErrorCaption = " error";

// --- the text box of the selected list field
inline constexpr const char* kNoItemToEdit = " no item to edit";
inline constexpr const char* kTooLargeBox = "- TOO LARGE TO DISPLAY (1 KB MAX) -";
inline constexpr const char* kUnknownEncodingBox = "- UNKNOWN ENCODING TYPE (PROBABLY JUST DAMAGED) -";
inline constexpr const char* kLanguageMissingBox = "- LANGUAGE INFORMATION MISSING -";
inline constexpr const char* kNoLanguage = "n/a";

// --- the lists
inline constexpr const char* kNoTextFields = "no other text fields";
inline constexpr const char* kNoMixedFields = "no other mixed fields";
inline constexpr const char* kNoBinaryFields = "no other binary fields";
inline constexpr const char* kNoPictures = "no pictures attached";
inline constexpr const char* kDuplicateMark = " (DUPLICATE)";
inline constexpr const char* kChooseItem = "- CHOOSE THE ITEM -";
inline constexpr const char* kAllItemsUsed = "Already used all items of this sort.";
inline constexpr const char* kExtendedHeaderNotes =
    "Important notes:\r\n\nYou need to load all the data except the size.\r\n"
    "Kavrel will write the size automatically, and unsynchronise optionally.\r\n\n"
    "You are advised not to use extended header. Proceed on your own risk.";

// --- content description, original content, extended information
inline constexpr const char* kFieldEmptyEdit = "- the field is empty -\r\n\nEDIT?";
inline constexpr const char* kFieldMissingAdd = "- the field doesn't exist -\r\n\nADD IT?";
inline constexpr const char* kDescriptionHint =
    "Right-click or tab out (shift focus)\r\nwhen finished with \"content description\"";
inline constexpr const char* kNotInOriginalTag = "The field doesn't exist in the original tag.";
inline constexpr const char* kNotInInputTag = "The field doesn't exist in input tag.";
inline constexpr const char* kNotModified = "The field hasn't been modified.";
inline constexpr const char* kAddedToTag = "The field has been added to the tag.";
inline constexpr const char* kNewlyAdded = "Newly added field.";
inline constexpr const char* kLoadedFromFile = "The field has been loaded from an external file.";
inline constexpr const char* kEdited = "The field has been edited.";
inline constexpr const char* kLanguageLine = "Language: ";
inline constexpr const char* kMultiLineTitle = " multiple lines input: ";
inline constexpr const char* kMultiLineComment = "COMMENT";

// --- version and header options
inline constexpr const char* kCantSetOther = "You can't set to \"other\".";
inline constexpr const char* kOneFieldPhrase = "There is a field";
inline constexpr const char* kManyFieldsPhrase = "There are ";
inline constexpr const char* kNotInUseIn = " in your tag not in use in id3v2.";
inline constexpr const char* kStandardFullStop = " standard.";
inline constexpr const char* kRemoveTheField = "Remove the field";
inline constexpr const char* kChooseNoToCancel = "? Choose NO to cancel version change.";
inline constexpr const char* kRestoredNote = "(note: ";
inline constexpr const char* kWillBeRestored = " will be restored if you switch back to id3v2.";
inline constexpr const char* kPaddingClearedForFooter =
    "Padding and footer are mutually exclusive.\r\nSetting padding to zero.";
inline constexpr const char* kFooterClearedForPadding =
    "Padding and footer are mutually exclusive.\r\nUnchecking the footer.";
inline constexpr const char* kFooterIncompatible = "ID3v2 footer is not compatible with ID3v2.";
inline constexpr const char* kFooterAdvice =
    "\r\nstandard. It is highly recommended that you\r\neither remove it or set the version to ID3v2.4"
    "\r\n\nDo you want to continue anyway?";

// --- the "?" buttons
inline constexpr const char* kUnsyncHelpTitle = "unsynchronization";
inline constexpr const char* kUnsyncHelp =
    "Mp3 frame header is recognized by a sequence of 11 bits.\r\n"
    "A tag can hold the same bits by chance, and an old player that doesn't know\r\n"
    "the tag may take them for the start of an audio frame and play a click.\r\n\n"
    "Unsynchronization puts a zero byte after every byte 255 that could start\r\n"
    "such a sequence; readers take these bytes out again.\r\n\n"
    "Current players don't need it: leave it off unless an old one has trouble.";
inline constexpr const char* kFooterHelpTitle = "footer";
inline constexpr const char* kFooterHelp =
    "Id3v2 version 4+ tag has the option to be ended with\r\na footer.\r\n\n"
    "The footer repeats the tag header at the end of the tag, so that a program\r\n"
    "reading the file from its end can find the tag.\r\n\n"
    "It belongs to the ID3v2.4 standard only, and a tag with a footer\r\n"
    "can't have padding.";
inline constexpr const char* kPaddingHelpTitle = "padding";
inline constexpr const char* kPaddingHelp =
    "A sequence of zero bytes appended to the tag end.\r\n\n"
    "Padding leaves room for the tag to grow: a tag editor can then write\r\n"
    "a larger tag in place, without rewriting the whole file.\r\n\n"
    "Kavrel always writes the whole file anew, so padding only helps other\r\n"
    "programs. It can't be used together with a footer.";
inline constexpr const char* kCharsetHelpTitle = "character set";
inline constexpr const char* kCharsetHelp =
    "An alphabet to use for displaying characters in range 128-255.\r\n\n"
    "Tags hold most text as single bytes; which letter a byte above 127\r\n"
    "stands for depends on the alphabet the tag was written in.\r\n\n"
    "The choice only changes the display: the stored bytes stay as they are\r\n"
    "until you edit a field.";

// --- erroneous and unknown fields
inline constexpr const char* kUnknownField = "unknown field";
inline constexpr const char* kFieldCode = "Field code: ";
inline constexpr const char* kHeaderPosition = "\r\nHeader position: ";
inline constexpr const char* kContentSize = "\r\nContent size: ";
inline constexpr const char* kShowSomeOfField = "\r\n\nShow (some) of this field?";
inline constexpr const char* kDiskErrorReadingData = "Disk error reading data.";
inline constexpr const char* kSaveFieldToFile = "- save the field to a file? -";
inline constexpr const char* kAllFilesFilter = "All files|*.*";
inline constexpr const char* kNoAccessToOutput =
    "You don't seem to have the access to output file.\r\nIt may be in use by other application, for instance.";
inline constexpr const char* kDiskErrorReadingSource = "Disk error reading from the source file.";
inline constexpr const char* kDiskErrorWritingOutput = "Disk error writing to output file.";

}  // namespace kavrel::id3v2_msg
