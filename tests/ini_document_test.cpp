#include "components/ini_document.h"

#include "support/sim_test.h"

namespace {

using IniDocumentTest = SimTest;

// "[name]" and "key=value" per section and entry, cleared entries as "-".
std::vector<std::string> Dump(const IniDocument& doc) {
  std::vector<std::string> out;
  for (const auto& section : doc.Sections()) {
    out.push_back(std::string("[") + section->Name() + "]");
    for (const auto& entry : section->Entries())
      out.push_back(entry->Key() ? std::string(entry->Key()) + "=" + entry->Value() : "-");
  }
  return out;
}

std::vector<std::string> LoadText(const std::string& text) {
  sim::PutFile("C:\\WINDOWS\\WININIT.INI", text);
  IniDocument doc;
  doc.Load("C:\\WINDOWS\\WININIT.INI");
  return Dump(doc);
}

TEST_F(IniDocumentTest, LoadKeepsOnlyEntriesWithAValueInsideASection) {
  std::vector<std::string> got = LoadText(
      "outside=1\r\n"
      "; a comment\r\n"
      "\r\n"
      "   \t \r\n"
      "[Rename]\r\n"
      "  \tC:\\A.DLL=C:\\B.TMP\r\n"
      "K = V\r\n"
      "K\tV = W\r\n"
      "==key=value=more\r\n"
      "novalue\r\n"
      "nothing=\r\n"
      "[]\r\n"
      "after.empty=section\r\n"
      "[Other\r\n"
      "x=1\r\n"
      "[]]odd]tail\r\n"
      "[rename]\r\n"
      "NUL=C:\\C.DLL\r\n"
      "last=no newline");
  EXPECT_EQ((std::vector<std::string>{"[Rename]", "C:\\A.DLL=C:\\B.TMP", "K== V", "K=V = W",
                                      "key=value=more", "after.empty=section", "NUL=C:\\C.DLL",
                                      "last=no newline", "[Other]", "x=1", "[odd]"}),
            got);
  // ";" starts no comment of its own: "; a comment" is key ";" with a value.
  EXPECT_EQ((std::vector<std::string>{"[S]", ";=a comment"}), LoadText("[S]\n; a comment\n"));
}

TEST_F(IniDocumentTest, OverLongLinesAreReadInChunksAndOnlyTheLastChunkCounts) {
  std::string a = "A=" + std::string(600, 'v') + "TAIL=V";  // 608 characters
  std::string b = "B=" + std::string(508, 'b');              // with its newline, one full buffer
  std::string c = "C=" + std::string(509, 'c');              // one more: only the newline is left
  std::vector<std::string> got = LoadText("[S]\n" + a + "\n" + b + "\n" + c + "\nD=d\n");
  // A's first 511 characters are dropped and its rest is a line of its own.
  EXPECT_EQ((std::vector<std::string>{"[S]", std::string(91, 'v') + "TAIL=V", b, "D=d"}), got);
}

// Only a last line without a newline can hold a longer name than a saved
// line carries: "[name]\n" with 509 characters exceeds the 511 read at once.
TEST_F(IniDocumentTest, SectionNamesComeBackWhenTheirSavedLineFitsALine) {
  for (size_t length : {508u, 509u}) {
    std::string name(length, 'n');
    sim::PutFile("C:\\WINDOWS\\WININIT.INI", "[" + name);
    IniDocument first;
    first.Load("C:\\WINDOWS\\WININIT.INI");
    ASSERT_NE(nullptr, first.FindSection(name.c_str())) << length;
    ASSERT_TRUE(first.Save(nullptr));
    IniDocument second;
    second.Load("C:\\WINDOWS\\WININIT.INI");
    EXPECT_EQ(length == 508, second.FindSection(name.c_str()) != nullptr) << length;
  }
}

TEST_F(IniDocumentTest, SaveWritesSectionsAndEntriesInOrderWithCrLf) {
  IniDocument doc;
  EXPECT_FALSE(doc.Save(nullptr));  // no path yet
  sim::PutFile("C:\\WINDOWS\\WININIT.INI",
               "[Rename]\r\nK = V\r\nA=1\r\n; gone\r\n[other]\r\nB=2\r\n[RENAME]\r\nC=3\r\n");
  doc.Load("C:\\WINDOWS\\WININIT.INI");
  doc.FindSection("rename")->Entries()[1]->Clear();
  ASSERT_NE(nullptr, doc.FindOrAddSection("New")->AddEntry("NUL", "C:\\X.DLL"));
  EXPECT_TRUE(doc.Save(nullptr));
  EXPECT_EQ("[Rename]\r\nK== V\r\n;=gone\r\nC=3\r\n[other]\r\nB=2\r\n[New]\r\nNUL=C:\\X.DLL\r\n",
            sim::FileText("C:\\WINDOWS\\WININIT.INI"));
  EXPECT_FALSE(doc.Save("C:\\Missing\\x.ini"));
  EXPECT_EQ(0u, sim::OpenHandleCount());

  doc.Load(nullptr);  // forgets the content, keeps the path
  EXPECT_STREQ("C:\\WINDOWS\\WININIT.INI", doc.Path());
  EXPECT_TRUE(doc.Sections().empty());
  EXPECT_EQ(nullptr, doc.FindOrAddSection(nullptr));
  EXPECT_EQ(nullptr, doc.FindSection(nullptr));
  IniSection* section = doc.FindOrAddSection("S");
  EXPECT_EQ(section, doc.FindOrAddSection("s"));
  EXPECT_EQ(nullptr, section->AddEntry(nullptr, "v"));
  EXPECT_EQ(nullptr, section->AddEntry("k", nullptr));
  EXPECT_TRUE(section->Entries().empty());
  std::string longPath = "C:\\" + std::string(300, 'p');
  doc.Load(longPath.c_str());
  EXPECT_EQ(259u, std::string(doc.Path()).size());
}

}  // namespace
