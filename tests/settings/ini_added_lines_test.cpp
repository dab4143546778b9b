// Added keys: found by key in whatever order they come, and written after
// their section's last key line. Every case checks the bytes against the
// text built by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "settings/IniDocument.h"

using namespace icnkit;

namespace {

std::string FrameName(int i) {
  char name[16];
  std::snprintf(name, sizeof name, "%.4d.bmp", i);
  return name;
}

// The text and the look-ups of an unpack's keys: "0000.bmp" ... "10499.bmp"
// (the names grow a digit at 10000 and stay in order), then keys out of
// order, then new values for keys of both kinds.
TEST(IniAddedKeys, AnUnpacksKeysThenKeysOutOfOrder) {
  for (const TIniLineEnd end : {TIniLineEnd::Lf, TIniLineEnd::CrLf}) {
    const std::string eol = end == TIniLineEnd::CrLf ? "\r\n" : "\n";
    TIniDocument document("", end);
    document.Set("Position", "X", "-3");
    document.Set("Position", "Y", "7");
    std::string bits;
    for (int i = 0; i < 10500; ++i) {
      document.Set("Bits", FrameName(i), std::to_string(i % 64));
      bits.append(FrameName(i)).append("=").append(std::to_string(i % 64)) += eol;
    }
    for (int i = 0; i < 10500; i += 101) {
      EXPECT_EQ(document.Get("bits", FrameName(i)), std::to_string(i % 64)) << i;
    }
    EXPECT_EQ(document.Get("Bits", "10500.bmp"), std::nullopt);
    EXPECT_EQ(document.Get("Bits", "0000.bm"), std::nullopt);
    EXPECT_EQ(document.Get("Bits", "zzzz.bmp"), std::nullopt);
    EXPECT_EQ(document.Get("Bits", ""), std::nullopt);

    document.Set("Bits", "0042.BMP", "99");  // edited in place, spelling kept
    bits.replace(bits.find("0042.bmp=42"), 11, "0042.bmp=99");
    document.Set("Bits", "Extra.bmp", "1");  // still in order
    document.Set("Bits", "A.bmp", "2");      // out of order
    bits += "Extra.bmp=1" + eol + "A.bmp=2" + eol;
    document.Set("Bits", "extra.BMP", "3");
    bits.replace(bits.find("Extra.bmp=1"), 11, "Extra.bmp=3");
    document.Set("Position", "Z", "5");  // a section before the last one

    EXPECT_EQ(document.Get("Bits", "0042.bmp"), "99");
    EXPECT_EQ(document.Get("Bits", "10499.bmp"), std::to_string(10499 % 64));
    EXPECT_EQ(document.Get("Bits", "EXTRA.bmp"), "3");
    EXPECT_EQ(document.Get("Bits", "a.bmp"), "2");
    EXPECT_EQ(document.Get("Bits", "b.bmp"), std::nullopt);
    const std::string expected =
        "[Position]" + eol + "X=-3" + eol + "Y=7" + eol + "Z=5" + eol + "[Bits]" + eol + bits;
    EXPECT_EQ(document.Text(), expected);
  }
}

// Look-ups against a reference set: keys of random lengths added in order
// (shorter first) and shuffled, looked up present, absent between them,
// before and after.
TEST(IniAddedKeys, BisectionFindsWhatAMapFinds) {
  std::mt19937 random(11);
  std::set<std::pair<size_t, std::string>> keys;
  while (keys.size() < 3000) {
    std::string key(1 + random() % 6, 'a');
    for (char& c : key) c = static_cast<char>('a' + random() % 5);
    keys.emplace(key.size(), key);
  }
  std::vector<std::string> present;
  size_t index = 0;
  for (const auto& key : keys) {
    if (index++ % 2 == 0) present.push_back(key.second);  // every other key stays out
  }
  for (const bool shuffled : {false, true}) {
    if (shuffled) std::shuffle(present.begin(), present.end(), random);
    TIniDocument document;
    std::string text = "[s]\n";
    for (const std::string& key : present) {
      std::string spelled = key;
      spelled[0] = static_cast<char>(spelled[0] - 'a' + 'A');  // found whatever the case
      document.Set("s", " " + spelled, "v" + key);
      text.append(" ").append(spelled).append("=v").append(key) += '\n';
    }
    index = 0;
    for (const auto& key : keys) {
      const std::optional<std::string> found = document.Get("S", key.second);
      if (index++ % 2 == 1) {
        EXPECT_EQ(found, std::nullopt) << key.second;
      } else {
        ASSERT_EQ(found, "v" + key.second) << key.second;
      }
    }
    EXPECT_EQ(document.Get("s", "aaaaaaa"), std::nullopt);
    EXPECT_EQ(document.Get("s", ""), std::nullopt);
    EXPECT_EQ(document.Text(), text);
  }
}

// Keys that are not plain names: blanks, '=', an empty key, a comment mark, a
// line end; each is found under the name it was given and written back as
// given.
TEST(IniAddedKeys, KeysThatAreNotPlainNames) {
  TIniDocument document;
  document.Set("s", "b", "1");
  document.Set("s", " c ", "2");
  document.Set("s", "x=y", "3");
  document.Set("s", "", "4");
  document.Set("s", ";d", "5");
  document.Set("s", "e", "6\nf=7");
  EXPECT_EQ(document.Get("s", "c"), "2");
  EXPECT_EQ(document.Get("s", "x=y"), "y=3");  // the value is what follows the first '='
  EXPECT_EQ(document.Get("s", ""), "4");
  EXPECT_EQ(document.Get("s", ";d"), "5");
  EXPECT_EQ(document.Get("s", "e"), "6");  // a line ends at its line end
  EXPECT_EQ(document.Get("s", "f"), std::nullopt);
  document.Set("s", "C", "22");
  document.Set("s", "b", "11");
  EXPECT_EQ(document.Text(), "[s]\nb=11\n c =22\nx=y=3\n=4\n;d=5\ne=6\nf=7\n");

  // Plain keys out of order from the start.
  TIniDocument unordered;
  for (int i = 200; i > 0; --i) {
    unordered.Set("s", std::string("k").append(std::to_string(i)), std::to_string(i));
  }
  for (int i = 1; i <= 200; i += 13) {
    EXPECT_EQ(unordered.Get("S", std::string("K").append(std::to_string(i))), std::to_string(i));
  }
  EXPECT_EQ(unordered.Get("s", "k0"), std::nullopt);
}

// Keys added to a section of the text with many keys: before, between and
// after them in any order, with a '=' or in another case, are found and
// edited as added lines, the text's keys as its lines.
TEST(IniAddedKeys, KeysAddedToALargeSectionOfTheText) {
  std::string text = "[Bits]\n";
  for (int i = 0; i < 20000; i += 2) text.append("k").append(FrameName(i)) += "=1\n";
  text += "; end\n";
  TIniDocument document(text);
  const std::vector<std::string> added = {"zz.bmp",     "k0001.bmp", "a",
                                          "K19999.BMP", "x=y",       "k0003.bmp"};
  std::string lines;
  for (size_t i = 0; i < added.size(); ++i) {
    document.Set("bits", added[i], std::to_string(i));
    lines.append(added[i]).append("=").append(std::to_string(i)) += '\n';
  }
  document.Set("Bits", "A", "edited");
  lines.replace(lines.find("a=2"), 3, "a=edited");
  document.Set("Bits", "k0002.BMP", "2");
  const std::vector<std::string> values = {"0", "1", "edited", "3", "y=4", "5"};
  for (size_t i = 0; i < added.size(); ++i) {
    EXPECT_EQ(document.Get("BITS", added[i]), values[i]) << added[i];
  }
  EXPECT_EQ(document.Get("Bits", "k0002.bmp"), "2");
  EXPECT_EQ(document.Get("Bits", "k0004.bmp"), "1");
  EXPECT_EQ(document.Get("Bits", "x"), std::nullopt);
  std::string expected = text;
  expected.replace(expected.find("k0002.bmp=1"), 11, "k0002.bmp=2");
  expected.insert(expected.find("; end"), lines);
  EXPECT_EQ(document.Text(), expected);
}

// Added lines after a text of every kind: new, with a BOM and CR LF and an
// unended comment, with edited added lines, with new sections added between
// writes to others.
TEST(IniAddedKeys, AddedLinesFollowTheTextWhateverItsEnd) {
  TIniDocument fresh;
  fresh.Set("Position", "X", "0");
  fresh.Set("Bits", "0000.bmp", "32");
  EXPECT_EQ(fresh.Text(), "[Position]\nX=0\n[Bits]\n0000.bmp=32\n");

  TIniDocument over("\xEF\xBB\xBF[Bits]\r\n0000.bmp=1\r\n; end", TIniLineEnd::Lf);
  over.Set("Bits", "0000.bmp", "2");
  over.Set("Bits", "0001.bmp", "3");
  over.Set("Position", "X", "4");
  EXPECT_EQ(over.Text(),
            "\xEF\xBB\xBF[Bits]\r\n0000.bmp=2\r\n0001.bmp=3\r\n; end\r\n[Position]\r\nX=4\r\n");

  TIniDocument edited("[a]\nk=1");
  edited.Set("b", "m", "1");
  edited.Set("b", "M", "22");
  EXPECT_EQ(edited.Text(), "[a]\nk=1\n[b]\nm=22\n");

  TIniDocument kept("[a]\nk=1\n");
  kept.Set("a", "k", "2");
  kept.Set("a", "n", "3");
  EXPECT_EQ(kept.Text(), "[a]\nk=2\nn=3\n");
  EXPECT_EQ(TIniDocument().Text(), "");

  TIniDocument document("[Old]\nk=1\n");
  document.Set("Position", "X", "1");
  document.Set("Old", "n", "2");
  document.Set("Bits", "0000.bmp", "3");
  document.Set("Position", "Y", "4");
  EXPECT_EQ(document.Text(), "[Old]\nk=1\nn=2\n[Position]\nX=1\nY=4\n[Bits]\n0000.bmp=3\n");
}

// A section of the text whose keys are in order, with nothing between them
// or with a comment, a blank line or a repeated key between them: all read,
// edit and add alike.
TEST(IniAddedKeys, KeysOfTheTextInOrderOrNot) {
  std::string body;
  for (int i = 0; i < 10200; i += 3) {
    body.append(FrameName(i)).append(" = ").append(std::to_string(i % 50)) += "\r\n";
  }
  const std::string head = "\xEF\xBB\xBF[Position]\r\nX=1\r\n[bits]\r\n";
  const std::string tail = "; end\r\n[Other]\r\nq=1";
  const std::string middle = FrameName(3000) + " = 0\r\n";
  for (const std::string between : {"", "; c\r\n", "\r\n", "3000.BMP=dup\r\n"}) {
    std::string text = head + body + tail;
    text.insert(text.find(middle) + middle.size(), between);
    TIniDocument document(text);
    for (int i = 0; i < 10200; i += 3) {
      ASSERT_EQ(document.Get("Bits", FrameName(i)), std::to_string(i % 50)) << i << between;
    }
    for (const std::string absent : {"0001.bmp", "10201.bmp", "zzzz.bmp", "0.bmp", "q"}) {
      EXPECT_EQ(document.Get("Bits", absent), std::nullopt) << absent << between;
    }
    EXPECT_EQ(document.Get("other", "Q"), "1");
    document.Set("BITS", "10197.BMP", "7");
    document.Set("Bits", "0001.bmp", "8");
    document.Set("Other", "r", "9");
    std::string expected = text;
    expected.replace(expected.find("10197.bmp = 47"), 14, "10197.bmp = 7");
    expected.insert(expected.find("; end"), "0001.bmp=8\r\n");
    expected += "\r\nr=9\r\n";
    EXPECT_EQ(document.Text(), expected) << between;
    EXPECT_EQ(document.Get("bits", "10197.bmp"), "7");
  }
  // A last key without a line end.
  TIniDocument unended("[s]\na=1\nb=2");
  EXPECT_EQ(unended.Get("s", "b"), "2");
  unended.Set("s", "c", "3");
  EXPECT_EQ(unended.Text(), "[s]\na=1\nb=2\nc=3\n");
}

}  // namespace
