// Tag fields and files: loaded from files, saved to files, viewed through work files; the multi-line rules.
#include "app/field_files.h"

#include <unistd.h>

#include <deque>

#include "app/field_messages.h"
#include "base/paths.h"
#include "platform/desktop.h"
#include "platform/instances.h"
#include "support/editor_fixture.h"
#include "tags/id3v2/tag_bytes.h"

namespace kavrel::test {
namespace {

namespace fm = field_msg;
using Outcome = FieldFileOutcome;
using R = MessageResult;
constexpr uint8_t kAddedFromFile = field_source::kAdded | field_source::kFromFile;

FieldLoadDialogAnswer loadOk(std::array<bool, 3> included, std::string language = "eng",
                             std::string desc = "", bool ok = true, int encoding = 0) {
  return {ok, {encoding, included, std::move(language), std::move(desc)}, false};
}
FieldSaveDialogAnswer saveOk(std::array<bool, 4> include) { return {true, {include}, false}; }
std::string err(const std::string& text) { return "x error: " + text; }
std::string warn(const std::string& text) { return "!Warning: " + text; }

// A dialog that keeps its requests and gives the queued answers (then closes without O&K).
template <class Answer, class Request>
std::function<Answer(const Request&)> answering(std::deque<Answer>& answers, std::vector<Request>& requests) {
  return [&](const Request& r) {
    requests.push_back(r);
    if (answers.empty()) return Answer{};
    const Answer a = answers.front();
    answers.pop_front();
    return a;
  };
}

class FieldFilesTest : public EditorFixture {
 protected:
  FieldFilesTest() {
    editor.dataFolder = dir.path();
    editor.shellOpener = [this](const std::string& path) {
      opened.push_back(path);
      return kShellSuccess;
    };
  }
  // Loads a file of three frames behind `tag`.
  void load(const Bytes& tag) { EditorFixture::load(tag + Mp3Builder().frames(3).bytes()); }
  TagField& field(int32_t i) { return editor.document().tagFields.fields.at(size_t(i)); }
  int32_t add(int row) { return editor.document().tagFields.addIndexedField(row, 3); }
  // The tag a save writes now.
  Bytes savedTag() {
    std::filesystem::remove(dir.file("out.mp3"));
    const Bytes b = saveAsNew();
    return b.size() > 10 && b[0] == 'I' ? Bytes(b.begin(), b.begin() + 10 + decodeSyncsafe(&b[6])) : Bytes{};
  }
  std::vector<std::string> opened;
  FieldDialogMemory memory;
  std::deque<FieldLoadDialogAnswer> loadAnswers;
  std::vector<FieldLoadDialogRequest> loadRequests;
  std::deque<FieldSaveDialogAnswer> saveAnswers;
  std::vector<FieldSaveDialogRequest> saveRequests;
  FieldFiles files{
      editor, {answering(loadAnswers, loadRequests), answering(saveAnswers, saveRequests)}, memory};
};

const Bytes kTitle23 = tagField(3, "TIT2", "00'T'");

TEST_F(FieldFilesTest, LoadedPicturesGetTheirTypeFromTheExtensionWhenWritten) {
  const Bytes data = h("FFD8FF01");
  // version, file, the tag's own picture (else an added one), the type read back
  // clang-format off
  const std::tuple<int, const char*, bool, const char*> rows[] = {{3, "cover.png", false, "image/png"},
      {3, "photo.JPEG", true, "image/jpeg"}, {2, "photo.JPEG", false, "JPG"}, {4, "scan.jfif", false, "image/jpeg"}};
  // clang-format on
  for (const auto& [version, name, own, mime] : rows) {
    const std::string code = version == 2 ? "PIC" : "APIC", format = version == 2 ? "'PNG'" : "'image/png'00";
    load(tagBytes(version, 0, tagField(version, code, h("00" + format + "03 00 01"))));
    const int32_t i = own ? 0 : add(kPictureRow);
    field(i).source = own ? field_source::kEdited : field_source::kAdded;
    host.answerOpenFile(write(name, data));
    ASSERT_EQ(files.loadPicture(i), Outcome::Done) << name;
    EXPECT_EQ(field(i).source, own ? field_source::kFromFile : kAddedFromFile) << name;
    const Bytes tag = savedTag();
    EXPECT_TRUE(std::equal(data.begin(), data.end(), tag.end() - 4)) << name;
    ASSERT_TRUE(editor.loadFile(dir.file("out.mp3")));  // read back by the reader
    const TagFieldList& list = editor.document().tagFields;
    EXPECT_EQ(list.fields.at(size_t(list.pictureIndex.at(list.pictureIndex.size() - 1))).content, mime)
        << name;
  }
  const FileDialogRequest& chosen = host.requests.back();
  EXPECT_EQ(std::tuple(chosen.title, chosen.filter, editor.options().importPictureFolder),
            std::tuple(fm::kChoosePicture, fm::kPictureFilter, dir.path()));
}

TEST_F(FieldFilesTest, FieldsSavedWithTheirPartsLoadBackByteForByte) {
  const Bytes tag = tagBytes(3, 0,
                             kTitle23 + fields(3, {{"COMM", "01'deu' FFFE6400 0000 FFFE7800"},
                                                   {"TXXX", "00'key'00'value'"}, {"USER", "00'fra''terms'"},
                                                   {"GEOB", "'obj'00 0102"}, {"PRIV", "'owner'00 FF"},
                                                   {"PCNT", "00000007"}}));
  load(tag);
  for (int32_t i = 1; i <= 6; ++i) {
    const std::string path = dir.file("field" + std::to_string(i));
    host.answerSaveFile(path);
    host.answer(R::No);
    saveAnswers.push_back(saveOk({false, true, true, true}));
    ASSERT_EQ(files.saveOriginal(i), Outcome::Done) << i;
    host.answerOpenFile(path);
    field(i).source = field_source::kEdited;  // the file's data wins
    if (field(i).layout != 0) loadAnswers.push_back(loadOk({true, true, true}));
    ASSERT_EQ(files.loadFromFile(i), Outcome::Done) << i;
    EXPECT_EQ(field(i).omittedParts, field(i).layout) << i;
  }
  EXPECT_EQ(std::tuple(loadRequests.size(), field(1).encoding), std::tuple(4u, 1));
  EXPECT_EQ(field(1).language + field(1).description + field(1).content, "deudx");
  EXPECT_EQ(field(1).originalLanguage + field(1).originalDescription + field(1).originalContent, "");
  EXPECT_EQ(savedTag(), tag);
  EXPECT_EQ(editor.options().exportFieldFolder, dir.path());
}

TEST_F(FieldFilesTest, SaveOriginalWritesTheChosenPartsOfTheStoredBytes) {
  const Bytes comm = tagField(3, "COMM", "01'deu' FFFE 6400 0001 0000 FFFE7800");
  const Bytes unsynced = tagBytes(3, 0x80,
                                  kTitle23 + tagField(3, "COMM", "01'eng' FF00FE 6400 0000 FF00FE 7800") +
                                      tagField(3, "PRIV", "'o'00 FF00E3 FF00"));
  const Bytes extended = tagBytes(3, 0x40, h("00000006 0000 00000000") + kTitle23);
  // tag, field (-1: an added one), header/encoding/language/description boxes; the file written (or the
  // message), the dialog's parts, header box and caption
  // clang-format off
  const std::tuple<Bytes, int, std::array<bool, 4>, Bytes, const char*> rows[] = {
      {tagBytes(3, 0, comm), 0, {false, true, false, false}, h("01 FFFE7800"), "7h10"},
      {tagBytes(3, 0, comm), 0, {true, true, true, true}, comm, "7h10"},
      {tagBytes(2, 0, tagField(2, "TT2", "00'ab'")), 0, {true, false, false, false}, h("'TT2'000003 'ab'"), "1h6"},
      {unsynced, 1, {false, true, true, false}, h("01'eng' FFFE7800"), "7h10"},
      {unsynced, 2, {false, true, true, true}, h("'o'00 FFE3 FF"), "0h10"},
      {tagBytes(4, 0, tagField(4, "PRIV", "'o'00 FF00E3", 0, 2)), 0, {false, true, true, true}, h("'o'00 FFE3"), "0h10"},
      {extended, 0, {true, false, false, false}, h("0000 00000000"), "0-10"}};
  // clang-format on
  int saves = 0;
  for (const auto& [tag, index, include, expected, request] : rows) {
    load(tag);
    const std::string path = dir.file("saved" + std::to_string(++saves));
    host.answerSaveFile(path);
    saveAnswers.push_back(saveOk(include));
    saveRequests.clear();
    ASSERT_EQ(files.saveOriginal(index), Outcome::Done) << request;
    EXPECT_EQ(readFile(path), expected) << request;
    EXPECT_EQ(boxes(), std::string("?prompt: ") + fm::kCopiedOpen);
    EXPECT_EQ(opened.back(), path);
    const FieldSaveDialogRequest& r = saveRequests.at(0);
    const std::string caption = r.headerCaption == fm::kHeaderBox22 ? "6" : "10";
    EXPECT_EQ(std::to_string(r.parts) + (r.header ? "h" : "-") + caption, request);
    if (saves == 1) {
      EXPECT_EQ(host.requests.at(0).filter + " " + host.requests.at(0).defaultExtension,
                fm::kTextFilter + std::string(" txt"));
    }
  }
  EXPECT_EQ(files.saveOriginal(add(kCommentRow)), Outcome::Failed);
  EXPECT_EQ(boxes(), err(fm::kNotInOriginalTag));
}

TEST_F(FieldFilesTest, LoadFromFileTakesThePartsTheDialogSaysTheFileHolds) {
  struct Row {
    int row;
    Bytes file;
    std::vector<FieldLoadDialogAnswer> answers;
    std::vector<R> boxAnswers;
    Outcome outcome;
    std::string boxes;
    std::string field;  // encoding, language, 'description', 'content', status, omitted parts, source
  };
  const std::string added = "0 eng '' '' 0 0 1", abort = warn(fm::kAbortLoad);
  const FieldLoadDialogAnswer closed = loadOk({false, false, false}, "deu", "", false);
  // clang-format off
  const Row rows[] = {
      {kCommentRow, h("07'abc'"), {loadOk({true, false, false}, "deu", "dd")}, {}, Outcome::Done, warn(fm::kImproperEncoding), "0 deu 'dd' 'abc' 0 0 5"},
      {kCommentRow, h("01'fra' FFFE6400 0000 FFFE7800"), {loadOk({true, true, true})}, {}, Outcome::Done, "", "1 fra 'd' 'x' 0 7 5"},
      {kCommentRow, h("00 00'ab' 'x'"), {loadOk({true, true, false}, "deu", "dd")}, {}, Outcome::Done, "", "0  'dd' 'x' 0 3 5"},
      {kCommentRow, h("00'fra''abc'"), {loadOk({true, true, true})}, {}, Outcome::Failed, err(fm::kFileShorter), added},
      {44, h("'hello'"), {loadOk({false, false, false}, "", "", true, 3)}, {}, Outcome::Done, "", "3 eng '' 'hello' 0 0 5"},
      {kCommentRow, h("'x'"), {closed}, {R::Yes}, Outcome::Cancelled, abort, added},
      {kCommentRow, h("'x'"), {closed, loadOk({false, false, false}, "ita")}, {R::Cancel}, Outcome::Done, abort, "0 ita '' 'x' 0 0 5"},
      {kCommentRow, h("'x'"), {closed}, {R::No}, Outcome::Done, abort, "0 deu '' 'x' 0 0 5"},
      {77, h("'v'"), {loadOk({false, false, false}, "eng", std::string(1100, 'd'))}, {}, Outcome::Done,
       warn(fm::kDescriptionTruncated), "0 eng '" + std::string(1024, 'd') + "' 'v' 0 0 5"},
      {15, {}, {}, {}, Outcome::Done, warn(fm::kEmptyFileLoaded), "0 eng '' '' 0 0 5"}};
  // clang-format on
  editor.options().dontWriteEmptyTagFields = true;
  for (const Row& row : rows) {
    load(tagBytes(3, 0, kTitle23));
    const int32_t i = add(row.row);
    loadAnswers.assign(row.answers.begin(), row.answers.end());
    loadRequests.clear();
    for (R r : row.boxAnswers) host.answer(r);
    host.answerOpenFile(write("load.txt", row.file));
    const std::string name = row.field + " / " + std::to_string(i);
    EXPECT_EQ(files.loadFromFile(i), row.outcome) << name;
    EXPECT_EQ(boxes(), row.boxes) << name;
    const TagField& f = field(i);
    const std::string flags =
        std::to_string(f.status) + " " + std::to_string(f.omittedParts) + " " + std::to_string(f.source);
    EXPECT_EQ(std::to_string(f.encoding) + " " + f.language + " '" + f.description + "' '" + f.content +
                  "' " + flags,
              row.field);
    EXPECT_EQ(loadRequests.size(), row.answers.size()) << name;
    EXPECT_EQ(loadRequests.size() > 1 ? loadRequests[1].values.language : "",
              row.answers.size() > 1 ? "deu" : "");
  }
  // The request: the layout's groups, the file size; the settings remembered or the defaults.
  load(tagBytes(3, 0, kTitle23));
  const int32_t i = add(kCommentRow);
  for (bool remember : {true, false, false}) {
    FieldLoadDialogAnswer a = loadOk({false, false, false}, "deu", "dd");
    a.remember = remember;
    loadAnswers.push_back(a);
    host.answerOpenFile(write("load.txt", h("'abc'")));
    EXPECT_EQ(files.loadFromFile(i), Outcome::Done);
  }
  EXPECT_EQ(std::pair(int(loadRequests.back().parts), int(loadRequests.back().fileSize)), std::pair(7, 3));
  const auto shown = [&](size_t k) {
    const FieldLoadDialogRequest& r = loadRequests.at(loadRequests.size() - 3 + k);
    return std::to_string(r.remember) + std::to_string(r.values.encoding) + r.values.language +
           r.values.description;
  };
  EXPECT_EQ(shown(0) + " " + shown(1) + " " + shown(2), "00eng 10deudd 00eng");
  EXPECT_EQ(host.requests.back().title + "|" + host.requests.back().filter,
            fm::kChooseSourceFile + std::string("|") + fm::kTextFilter);
  // Too large, or unreadable: refused, the field as it was.
  const TagField before = field(i);
  std::filesystem::resize_file(write("huge.bin", Bytes{}), kMaxFieldFileSize + 1);
  host.answerOpenFile(dir.file("huge.bin"));
  host.answerOpenFile(dir.file("missing.bin"));
  EXPECT_EQ(files.loadFromFile(i), Outcome::Failed);
  EXPECT_EQ(files.loadFromFile(i), Outcome::Failed);
  EXPECT_EQ(boxes(), err(fm::kFileTooLarge) + " / " + err(fm::kDiskErrorReading));
  EXPECT_EQ(field(i).sourcePath, before.sourcePath);
}

TEST_F(FieldFilesTest, ALargeTextFileIsShownTooLargeAndWrittenWhole) {
  load(tagBytes(3, 0, kTitle23));
  const int32_t i = add(45);
  const Bytes text(70000, 'a');
  host.answerOpenFile(write("big.txt", text));
  loadAnswers.push_back(loadOk({false, false, false}));
  ASSERT_EQ(files.loadFromFile(i), Outcome::Done);
  EXPECT_EQ(boxes(), warn(fm::kOnlyFirst64K));
  EXPECT_EQ(std::pair(field(i).status, field(i).content), std::pair(field_status::kTooLarge, std::string()));
  EXPECT_EQ(savedTag(), tagBytes(3, 0, kTitle23 + tagField(3, "TIT3", Bytes{0} + text)));
}

TEST(IncludedBoxes, FilesTooSmallForAPartRefuseItsBox) {
  using L = std::array<bool, 3>;
  constexpr uint8_t E = text_layout::kEncoding, La = text_layout::kLanguage, D = text_layout::kDescription;
  // clang-format off
  const std::tuple<uint8_t, int64_t, L, const char*> rows[] = {
      {E, 0, {}, fm::kSizeZero}, {E, 1, {}, ""}, {La, 3, {}, fm::kSizeBelow4}, {La, 4, {}, ""},
      {D, 4, {true, true, false}, fm::kSizeTooSmall}, {D, 5, {true, true, false}, ""},
      {D, 1, {true, false, false}, fm::kSizeTooSmall}, {D, 1, {}, ""}};
  // clang-format on
  for (const auto& [part, size, included, refusal] : rows)
    EXPECT_EQ(includedBoxRefusal(part, size, included), refusal) << int(part) << " " << size;
}

TEST_F(FieldFilesTest, PicturesAreViewedThroughAWorkFileOrTheirReference) {
  const std::string pid = std::to_string(::getpid());
  const std::string existing = write("ref.png", h("89")), missing = dir.file("gone.png");
  const auto apic = [](const std::string& content, uint8_t flags = 0) {
    return tagBytes(3, flags, tagField(3, "APIC", h(content)));
  };
  const std::string prompt = std::string("?prompt: ") + fm::kOpenReference;
  // tag (empty: an added picture, loaded from `existing` when "+"), the
  // boxes, what was opened, the work file's bytes
  const std::string image = "kavrel.tag.image." + pid;
  const Bytes large(70000, 0x41);
  // clang-format off
  const std::tuple<Bytes, std::string, std::string, Bytes> rows[] = {
      {apic("00'image/jpeg'00 03'd'00 FFD8FF01"), "", image + ".jpg", h("FFD8FF01")},
      {tagBytes(2, 0, tagField(2, "PIC", "00'PNG'03'd'00 8950")), "", image + ".png", h("8950")},
      {apic("01'image/gif'00 03 FF00FE6400 0000 FF00E0 01", 0x80), "", image + ".gif", h("FFE001")},
      {apic("07'image/jpeg'00 03 00 FF"), err(fm::kUnknownEncoding), "", {}},
      {apic("00'image/tiff'00 03 00 FF"), err(fm::kUnknownMimeType), "", {}},
      {apic("00'audio/png'00 03 00 FF"), err(fm::kUnknownMimeType), "", {}},
      {tagBytes(3, 0, tagField(3, "APIC", h("00'image/png'00 03 00") + large)), "", image + ".png", large},
      {apic("00'-->'00 03 00'" + existing + "'"), prompt + existing, "ref.png", {}},
      {apic("00'-->'00 03 00'http://x/y.png'"), prompt + "http://x/y.png", "y.png", {}},
      {apic("00'-->'00 03 00'" + missing + "'"), prompt + missing + " / xerror: " + fm::kReferenceMissing, "",
       {}},
      {apic("00'-->'00 03 00'http://" + std::string(765, 'u') + "'"), err(fm::kReferenceTooLong), "", {}},
      {{}, err(fm::kPictureNotLoaded), "", {}},
      {Bytes{'+'}, "", "ref.png", {}}};
  // clang-format on
  for (const auto& [tag, expectedBoxes, openedName, work] : rows) {
    load(tag.size() > 1 ? tag : tagBytes(3, 0, kTitle23));
    const int32_t i = tag.size() > 1 ? 0 : add(kPictureRow);
    if (tag.size() == 1) field(i).source = kAddedFromFile, field(i).sourcePath = existing;
    opened.clear();
    files.viewPicture(i);
    EXPECT_EQ(boxes(), expectedBoxes) << openedName;
    EXPECT_EQ(opened.empty() ? "" : fileNameOf(opened[0]), openedName) << expectedBoxes;
    if (!work.empty()) {
      EXPECT_EQ(readFile(opened.at(0)), work) << openedName;
    }
  }
  // The work file cannot be made.
  editor.dataFolder = dir.file("no/such/folder");
  load(std::get<0>(rows[0]));
  EXPECT_EQ(files.viewPicture(0), Outcome::Failed);
  const std::string path = imageViewFilePath(editor.dataFolder, "jpg");
  EXPECT_EQ(boxes(), err(fm::kCantCreateTemporary + path + "\r\n\n" + fm::kTemporaryInUse + "\r\n" +
                         fm::kViewingTheImage + "\r\n" + fm::kRebootHint));
}

TEST_F(FieldFilesTest, PictureSaveOriginalWritesTheDataOrCopiesTheReferencedFile) {
  const std::string existing = write("ref.png", h("8950")), missing = dir.file("gone.png");
  const auto apic = [](const std::string& content) {
    return tagBytes(3, 0, tagField(3, "APIC", h(content)));
  };
  const std::string copy = std::string("?prompt: ") + fm::kCopyReference;
  // tag (empty: an added picture), the boxes, the file written, the dialog's filter
  // clang-format off
  const std::tuple<Bytes, std::string, Bytes, std::string> rows[] = {
      {apic("00'image/jpeg'00 03'd'00 FFD8FF01"), "", h("FFD8FF01"), "JPEG files|*.jpg;*.jpeg;*.jfif|All files|*.*"},
      {apic("00'-->'00 03 00'http://x/y.png'"), std::string("iWarning: ") + fm::kEmbeddedUrl, {}, ""},
      {apic("00'-->'00 03 00'" + existing + "'"), copy + existing, h("8950"), "PNG files|*.png|All files|*.*"},
      {apic("00'-->'00 03 00'" + missing + "'"),
       copy + missing + " / " + err(fm::kEmbeddedPath + missing + "\r\n\n" + fm::kEmbeddedPathMissing), {}, ""},
      {{}, err(fm::kPictureNotInOriginal), {}, ""}};
  // clang-format on
  for (const auto& [tag, expectedBoxes, written, filter] : rows) {
    load(tag.empty() ? tagBytes(3, 0, kTitle23) : tag);
    const int32_t i = tag.empty() ? add(kPictureRow) : 0;
    const std::string target = dir.file("out.pic");
    std::filesystem::remove(target);
    host.answerSaveFile(target);
    files.savePictureOriginal(i);
    EXPECT_EQ(boxes(), expectedBoxes) << filter;
    EXPECT_EQ(std::filesystem::exists(target) ? readFile(target) : Bytes{}, written) << expectedBoxes;
    EXPECT_EQ(host.requests.empty() ? "" : host.requests[0].filter, filter) << expectedBoxes;
  }
  EXPECT_EQ(editor.options().exportPictureFolder, dir.path());
}

TEST_F(FieldFilesTest, TextViewShowsTheContentOrSaysWhyNot) {
  load(tagBytes(3, 0,
                kTitle23 + fields(3, {{"COMM", "00'deu''d'00'hi'"}, {"TIT3", "00"}, {"PRIV", "'o'00'ab'"}}) +
                    tagField(3, "TIT1", Bytes{0} + Bytes(1100, 'a'))));
  const int32_t addedPriv = add(15), addedTitle = add(44);
  field(1).content = "new";
  field(1).source = field_source::kEdited;
  const int32_t fromFile = add(16);
  field(fromFile).source = kAddedFromFile;
  field(fromFile).sourcePath = dir.file("vanished.bin");
  // field, original, the box
  const std::string group = "iContent group description: ";
  // clang-format off
  const std::tuple<int32_t, bool, std::string> rows[] = {
      {1, false, "id, deu: new"}, {1, true, "id, deu: hi"}, {3, false, "iPrivate frame: o ab"},
      {2, false, std::string("iSubtitle: ") + fm::kFieldEmpty}, {4, false, group + fm::kTooLargeToShow},
      {4, true, group + fm::kTooLargeToShow},
      {addedPriv, false, std::string("iPrivate frame: ") + fm::kNotInInputTag},
      {addedTitle, true, std::string("iTitle: ") + fm::kNotInOriginalTag},
      {fromFile, false, err(fm::kReferencedFileNotFound + dir.file("vanished.bin"))}};
  // clang-format on
  for (const auto& [i, original, box] : rows) {
    files.viewText(i, original, false);
    EXPECT_EQ(boxes(), box) << i << original;
  }
  // Nothing outside the list or while a script runs.
  EXPECT_EQ(files.viewText(99, false, false), Outcome::Cancelled);
  editor.scriptRunning = true;
  EXPECT_EQ(files.viewText(1, false, false), Outcome::Cancelled);
  editor.scriptRunning = false;
  EXPECT_EQ(boxes(), "");
  // The external viewer gets the text in this copy's work file.
  EXPECT_EQ(files.viewText(1, false, true), Outcome::Done);
  EXPECT_EQ(boxes(), "");
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0], textViewFilePath(dir.path()));
  EXPECT_EQ(readFile(opened[0]), bytesOf("new"));
}

TEST(MultilineEntry, LosingTheFocusAsksOnlyAboutChangedText) {
  // memo, the answer; the action and whether the question came
  using A = MultilineFocusAction;
  const std::tuple<const char*, R, A, size_t> rows[] = {
      {"one", R::Yes, A::Discard, 0}, {"two", R::Yes, A::Accept, 1}, {"two", R::No, A::Discard, 1},
      {"two", R::Cancel, A::Stay, 1}};
  for (const auto& [memo, answer, action, asked] : rows) {
    RecordingHost host;
    host.answer(answer);
    EXPECT_EQ(multilineFocusLost(host, memo, "one"), action) << memo << int(answer);
    ASSERT_EQ(host.messages().size(), asked) << memo;
    for (const auto& m : host.messages()) EXPECT_EQ(m.caption + m.text, "wait for me...Remember changes?");
  }
}

}  // namespace
}  // namespace kavrel::test
