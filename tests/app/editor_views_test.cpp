// The block viewers read the loaded file again and show what they find.
#include "support/editor_fixture.h"

namespace kavrel::test {
namespace {

using EditorViews = EditorFixture;

TEST_F(EditorViews, ViewersReadTheBlocksAgainFromTheLoadedFile) {
  load(Mp3Builder().raw("head\tdata").frames(20).raw(std::string(2000, 'x')).lyrics3v2(
      "IND00003abcLYR00005hello"));
  ASSERT_TRUE(doc().layout.unknownHeaderFound && doc().layout.unknownFooterFound && doc().layout.lyrics3Found);
  editor.viewLyrics3();
  EXPECT_EQ(boxes(), "iLyrics3 v2 TAG CONTENT: hello");
  editor.viewUnknownHeader();
  EXPECT_EQ(boxes(), "iBehind-header data:: head?data");
  editor.viewUnknownFooter();
  EXPECT_EQ(boxes(), "iUnknown footer data:: " + std::string(750, 'x') + "\r\n- over 750 bytes, truncated -");
  // Nothing while a script runs or a dialog is open.
  script();
  editor.viewLyrics3();
  editor.viewUnknownFooter();
  script(false);
  editor.dialogOpen = true;
  editor.viewUnknownHeader();
  editor.dialogOpen = false;
  EXPECT_EQ(boxes(), "");
  // The file gone: the read fails with a message, the document stays.
  std::filesystem::remove(doc().loadPath);
  editor.viewLyrics3();
  editor.viewUnknownFooter();
  EXPECT_EQ(boxes(),
            "!Warning: Disk error. Perhaps the file was moved or modified. / !Warning: Disk read error. Perhaps "
            "the source file was either\r\nmoved, modified, renamed or deleted in the meantime?");
  EXPECT_TRUE(doc().documentLoaded);
  // Lyrics3 of version 1, and a version 2 block without lyrics.
  load(Mp3Builder().frames(5).lyrics3v1("first line\r\nsecond line"));
  editor.viewLyrics3();
  EXPECT_EQ(boxes(), "iLyrics3 TAG CONTENT: first line\r\nsecond line");
  load(Mp3Builder().frames(5).lyrics3v2("IND00003abc"));
  editor.viewLyrics3();
  EXPECT_EQ(boxes(), "!Lyrics3 v2: - no lyrics contained -");
}

}  // namespace
}  // namespace kavrel::test
