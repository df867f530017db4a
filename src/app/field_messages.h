#pragma once
// Texts of loading tag fields from files, saving them to files and viewing
// them, exactly as the program words them.

namespace kavrel::field_msg {

inline constexpr const char* kWarningCaption = "Warning";
inline constexpr const char* kErrorCaption = " error";
inline constexpr const char* kPromptCaption = "prompt";

// --- a field's data from a file
inline constexpr const char* kChooseSourceFile = "Choose the source file";
inline constexpr const char* kTextFilter = "Text files|*.txt|All files|*.*";
inline constexpr const char* kAllFilesFilter = "All files|*.*";
inline constexpr const char* kDiskErrorReading = "Disk error reading the file!";
inline constexpr const char* kFileTooLarge = "File too large. Kavrel can load files up to 64 MB.";
inline constexpr const char* kOnlyFirst64K =
    "File larger than 64K. Only first 64K of text will be processed.";
inline constexpr const char* kEmptyFileLoaded =
    "You just loaded an empty file. If you want it to have effect (create the field),\r\nyou should uncheck "
    "\"don't write id3v2 fields without content and description\" option.";
inline constexpr const char* kSizeZero = "Your file size is zero, you can't use this option.";
inline constexpr const char* kSizeBelow4 = "Your file size is less than 4 bytes, you can't use this option.";
inline constexpr const char* kSizeTooSmall = "Your file size is too small to use this option";
inline constexpr const char* kAbortLoad = "Abort the file load?";
inline constexpr const char* kImproperEncoding =
    "This file doesn't contain proper encoding.\r\nOmitting encoding load and setting to ISO-8859-1.";
inline constexpr const char* kFileShorter = "File shorter than needed to extract data!";
inline constexpr const char* kDescriptionTruncated = "Description longer than 1 KB, truncated.";

// --- a field's stored bytes to a file
inline constexpr const char* kAbortSave = "Abort the file save?";
inline constexpr const char* kNotInOriginalTag = "This field doesn't exist in the original tag.";
inline constexpr const char* kDataOver64MB = "Data length > 64 MB, truncating!";
inline constexpr const char* kCopiedOpen = "Copied the data. Open the file?";
inline constexpr const char* kHeaderBox = "Include field &header (code, length and flags)";
inline constexpr const char* kHeaderBox22 = "Include field &header (code and length)";

// --- pictures
inline constexpr const char* kChoosePicture = "Choose the picture file";
inline constexpr const char* kPictureFilter =
    "JPG & PNG files|*.jpg;*.jpeg;*.jfif;*.png;|JPG files|*.jpg;*.jpeg;*.jfif|PNG files|*.png|All files|*.*";
inline constexpr const char* kPictureNotLoaded =
    "This picture doesn't exist in the original file\r\nand hasn't been loaded yet.";
inline constexpr const char* kPictureNotInOriginal = "This picture doesn't exist in the original file.";
inline constexpr const char* kUnknownEncoding = "Unknown field header encoding, can't display.";
inline constexpr const char* kUnknownMimeType = "Invalid or unknown MIME type, can't display.";
inline constexpr const char* kOpenReference =
    "This picture field contains embedded path/URL instead of data.\r\nAttempt to open the referenced "
    "file?\r\n\n";
inline constexpr const char* kReferenceMissing = "The file doesn't exist.";
inline constexpr const char* kReferenceErrorCaption = "error";
inline constexpr const char* kReferenceTooLong =
    "This picture field contains embedded URL instead of data.\r\nHowever, this URL is larger than 768 "
    "characters "
    "and can't\r\nbe processed by Kavrel.";
inline constexpr const char* kEmbeddedUrl =
    "This picture field contains embedded web URL instead of data.\r\nUse view button to open it with your "
    "browser.\r\nYou may be able to save the picture from there (if the URL is valid).";
inline constexpr const char* kCopyReference =
    "This picture field contains embedded path to a file instead of data.\r\nAttempt to copy the referenced "
    "file?\r\n\n";
inline constexpr const char* kEmbeddedPath = "This picture field contains embedded path to a file:\r\n";
inline constexpr const char* kEmbeddedPathMissing = "Unfortunately, this file doesn't exist.";
inline constexpr const char* kNoOutputAccess =
    "You don't seem to have the access to output file.\r\nIt may be in use by other application, for "
    "instance.";
inline constexpr const char* kFileCopyFailed = "File copy failed.";
inline constexpr const char* kDiskErrorWritingOutput = "Disk error writing to output file.";

// --- the work files a field is viewed through
inline constexpr const char* kCantCreateTemporary = "Can't create temporary file:\r\n";
inline constexpr const char* kTemporaryInUse = "This is probably caused by the file being in use.";
inline constexpr const char* kViewingTheImage =
    "You may be running another instance of this program and viewing the image there.";
inline constexpr const char* kEditingTheText =
    "You may be running another instance of this program and editing the text there.";
inline constexpr const char* kRebootHint =
    "It may also happen to be a Windows bug and you need to reboot to fix it.";
inline constexpr const char* kDiskErrorWritingTemporary = "Disk error writing to temporary file.";
inline constexpr const char* kDiskErrorReadingSource = "Disk error reading from the source file.";

// --- text, mixed and binary fields shown
inline constexpr const char* kFieldEmpty = "THE FIELD IS EMPTY";
inline constexpr const char* kTooLargeToShow = "TOO LARGE TO DISPLAY (1 KB MAX)";
inline constexpr const char* kNotInInputTag = "The field doesn't exist in input tag.";
inline constexpr const char* kReferencedFileNotFound = "The referenced file not found:\r\n";

// --- several lines of text
inline constexpr const char* kRememberChanges = "Remember changes?";
inline constexpr const char* kWaitForMe = "wait for me...";

}  // namespace kavrel::field_msg
