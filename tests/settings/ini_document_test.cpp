// TIniDocument: parsing, look-up and in-place editing of INI text, byte for
// byte, without any file.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "settings/IniDocument.h"

using namespace icnkit;

namespace {

TEST(IniDocument, UneditedTextComesBackByteForByte) {
  const std::vector<std::string> texts = {
      "",
      "\n",
      "\r\n",
      "\r",
      "[s]",
      "[s]\nk=1",
      "[s]\r\nk=1\r\n",
      "\xEF\xBB\xBF[s]\r\nk=1\r\n",
      "\xEF\xBB\xBF",
      "\xEF\xBB",
      "k=1\n\n[s]\r\n; c\n  k = 2  \r\n\r\n[t\nx\r\r\n=\n[]\n",
      std::string("[s]\0\nk=\0\n", 9),
  };
  for (const std::string& text : texts) {
    EXPECT_EQ(TIniDocument(text).Text(), text) << text;
  }
  const std::vector<uint8_t> bytes = {'[', 's', ']', '\r', '\n', 'k', '=', '7'};
  const TIniDocument fromBytes(bytes);
  EXPECT_EQ(fromBytes.Text(), "[s]\r\nk=7");
  EXPECT_EQ(fromBytes.Get("s", "k"), "7");
}

TEST(IniDocument, LookUpTrimsUnquotesAndTakesTheFirstOfDuplicates) {
  const TIniDocument document(
      "\xEF\xBB\xBF"
      "k=0\n"
      "[ Pos ]\r\n"
      "  X = 17  \r\n"
      "y=\"-4\"\n"
      "z='5'\n"
      "q=\"6'\n"
      "e=\n"
      ";c=1\n"
      "  ; d=1\n"
      "=9\n"
      "nokey\n"
      "X=99\n"
      "[pos]\n"
      "w=1\n"
      "[open\n"
      "a=2\n"
      "[t] trailing\n"
      "b=3\n");
  EXPECT_EQ(document.Get("pos", "x"), "17");
  EXPECT_EQ(document.Get("POS", " X "), "17");
  EXPECT_EQ(document.Get("Pos", "y"), "-4");
  EXPECT_EQ(document.Get("Pos", "z"), "5");
  EXPECT_EQ(document.Get("Pos", "q"), "\"6'");
  EXPECT_EQ(document.Get("Pos", "e"), "");
  for (const char* key : {"c", ";c", "d", "", "nokey", "w", "k"}) {
    EXPECT_EQ(document.Get("Pos", key), std::nullopt) << key;
  }
  EXPECT_EQ(document.Get("", "k"), std::nullopt);  // keys before any section belong to none
  EXPECT_EQ(document.Get("open", "a"), "2");       // a header without ']' names the rest
  EXPECT_EQ(document.Get("t", "b"), "3");          // text after ']' is ignored
  EXPECT_EQ(document.Get("missing", "x"), std::nullopt);
}

TEST(IniDocument, EditsKeepEveryOtherByteOfCrLfAndBomFiles) {
  TIniDocument document(
      "\xEF\xBB\xBF; frame folder\r\n"
      "[Position]\r\n"
      "  X = 17  \r\n"
      ";Y=100\r\n"
      "\r\n"
      "[Bits]\r\n"
      "0000=\"5\"\r\n"
      "; end\r\n"
      "\r\n"
      "[Other]\r\n"
      "k=1");
  document.Set("position", "x", "-20");  // only the value's bytes change
  document.Set("Position", "Y", "3");    // after the last key, before the comment
  document.Set("BITS", "0000", "32");    // quotes are part of the replaced value
  document.Set("Bits", "0001", "0");
  document.Set("New", "K", "7");  // the unended last line gets the file's line end
  document.Set("other", "j", "2");
  EXPECT_EQ(document.Text(),
            "\xEF\xBB\xBF; frame folder\r\n"
            "[Position]\r\n"
            "  X = -20  \r\n"
            "Y=3\r\n"
            ";Y=100\r\n"
            "\r\n"
            "[Bits]\r\n"
            "0000=32\r\n"
            "0001=0\r\n"
            "; end\r\n"
            "\r\n"
            "[Other]\r\n"
            "k=1\r\n"
            "j=2\r\n"
            "[New]\r\n"
            "K=7\r\n");
  EXPECT_EQ(document.Get("position", "X"), "-20");
  EXPECT_EQ(document.Get("new", "k"), "7");
  EXPECT_EQ(TIniDocument(document.Text()).Text(), document.Text());
}

TEST(IniDocument, EditsOfLineFeedFilesAndFilesOfMixedEnds) {
  TIniDocument lf("[a]\nk=1\n\n[b]\r\nm=2\r\n");
  lf.Set("a", "k", "10");
  lf.Set("a", "n", "3");
  lf.Set("b", "o", "4");  // the first line's style wins: LF
  lf.Set("c", "p", "5");
  EXPECT_EQ(lf.Text(), "[a]\nk=10\nn=3\n\n[b]\r\nm=2\r\no=4\n[c]\np=5\n");

  TIniDocument crlf("[a]\r\nk=1\n", TIniLineEnd::Lf);
  crlf.Set("a", "n", "2");
  EXPECT_EQ(crlf.Text(), "[a]\r\nk=1\nn=2\r\n");

  // A header that ends the text gets a line end before its first key.
  TIniDocument header("[a]");
  header.Set("a", "k", "1");
  EXPECT_EQ(header.Text(), "[a]\nk=1\n");
}

TEST(IniDocument, NewDocumentsUseTheDefaultLineEndAndPlainValues) {
  TIniDocument empty;
  empty.Set("Position", "X", "-5");
  empty.Set("Position", "Y", "32");
  EXPECT_EQ(empty.Text(), "[Position]\nX=-5\nY=32\n");

  TIniDocument windows("", TIniLineEnd::CrLf);
  windows.Set("Position", "X", "0");
  windows.Set("Bits", "0000.bmp", "33");
  EXPECT_EQ(windows.Text(), "[Position]\r\nX=0\r\n[Bits]\r\n0000.bmp=33\r\n");

  // Without a line end in the text, the default one is used.
  TIniDocument unended("k=1", TIniLineEnd::CrLf);
  unended.Set("b", "m", "2");
  EXPECT_EQ(unended.Text(), "k=1\r\n[b]\r\nm=2\r\n");

  // An empty value is filled in; a last line without a line end gets one.
  TIniDocument blank("[a]\nk=\nq=  \n[b]\nm=1");
  blank.Set("a", "k", "7");
  blank.Set("a", "q", "8");
  blank.Set("b", "n", "2");
  EXPECT_EQ(blank.Text(), "[a]\nk=7\nq=8  \n[b]\nm=1\nn=2\n");
  EXPECT_EQ(blank.Get("A", " K "), "7");

  // Keys before any section belong to none.
  TIniDocument loose("k=1\n[s]\n");
  loose.Set("s", "k", "2");
  EXPECT_EQ(loose.Text(), "k=1\n[s]\nk=2\n");
}

TEST(IniDocument, OnlyTheFirstOfDuplicatesIsEdited) {
  TIniDocument document("[s]\nk=1\nK=2\n[S]\nk=3\n");
  document.Set("s", "k", "9");
  document.Set("s", "new", "4");  // the first section of the name gets new keys
  EXPECT_EQ(document.Text(), "[s]\nk=9\nK=2\nnew=4\n[S]\nk=3\n");
}

// Keys read in the order of their lines, as a packer reads them, whatever
// the order of the keys: each value is its first line's, never a comment's
// ("-": none).
TEST(IniDocument, KeysReadInTheOrderOfTheirLinesGiveTheFirstLines) {
  const std::pair<std::string, std::string> cases[] = {
      {"[s]\nc=1\na=2\nb=3\n; d=4\nd=5\n", "1-2-3-5-"},
      {"[s]\nc=1\na=2\nc=3\n; d=4\nd=5\n", "1-2-1-5-"},
  };
  for (const auto& [text, expected] : cases) {
    const TIniDocument document(text);
    std::string seen;
    document.ForEachKey("s", [&](std::string_view key) {
      seen += document.Get("s", key).value_or("-");
      seen += document.Get("s", "; d").value_or("-");
    });
    EXPECT_EQ(seen, expected) << text;
  }
}

}  // namespace
