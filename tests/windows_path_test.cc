// The Windows file layer against the real Windows calls: names carried in WTF-8, the long form of
// a path, files opened and recognised as the same under every spelling, and Kestrow.exe started
// with arguments that no shell can pass. Windows builds only.

#include "textstream/windows_path.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "textstream/text_stream.h"

namespace kestrow {
namespace {

// ---- WTF-8 ----

struct NameCase {
  const char* name;
  std::wstring wide;
  std::string bytes;
};

void PrintTo(const NameCase& c, std::ostream* os) { *os << c.name; }

class Wtf8 : public ::testing::TestWithParam<NameCase> {};

TEST_P(Wtf8, WideToBytesAndBackUnchanged) {
  EXPECT_EQ(wtf8_from_wide(GetParam().wide.c_str()), GetParam().bytes);
  std::wstring back;
  ASSERT_TRUE(wide_from_wtf8(GetParam().bytes.c_str(), &back));
  EXPECT_EQ(back, GetParam().wide);
}

INSTANTIATE_TEST_SUITE_P(
    Names, Wtf8,
    ::testing::Values(NameCase{"Ascii", L"my games.pgn", "my games.pgn"},
                      NameCase{"Latin", L"Partie_M\u00fcller.pgn", "Partie_M\xc3\xbcller.pgn"},
                      NameCase{"Cyrillic", L"\u043f\u0430\u0440\u0442\u0438\u044f",
                               "\xd0\xbf\xd0\xb0\xd1\x80\xd1\x82\xd0\xb8\xd1\x8f"},
                      NameCase{"Chinese", L"\u5bf9\u5c40", "\xe5\xaf\xb9\xe5\xb1\x80"},
                      NameCase{"LastOfThreeBytes", L"\uffff", "\xef\xbf\xbf"},
                      NameCase{"EmojiIsOneFourByteSequence", L"\xd83d\xde00", "\xf0\x9f\x98\x80"},
                      NameCase{"LastCodePoint", L"\xdbff\xdfff", "\xf4\x8f\xbf\xbf"},
                      NameCase{"LoneLeadSurrogate", L"a\xd800z", "a\xed\xa0\x80z"},
                      NameCase{"LoneLeadSurrogateAtEnd", L"a\xdbff", "a\xed\xaf\xbf"},
                      NameCase{"LoneTrailSurrogate", L"\xdc00z", "\xed\xb0\x80z"},
                      NameCase{"TrailBeforeLeadIsTwoLoneOnes", L"\xdc00\xd800",
                               "\xed\xb0\x80\xed\xa0\x80"},
                      NameCase{"Empty", L"", ""}),
    [](const ::testing::TestParamInfo<NameCase>& p) { return p.param.name; });

TEST(Wtf8, RefusesBytesThatAreNoWtf8) {
  for (const char* bytes : {"\x80", "a\xbf", "\xc0\x80", "\xc1\xbf", "\xe0\x80\x80",
                            "\xf0\x80\x80\x80", "\xf4\x90\x80\x80", "\xf8\x88\x80\x80\x80", "\xff",
                            "\xe5\xaf", "\xe5\xafz", "\xf0\x9f\x98"}) {
    std::wstring wide;
    EXPECT_FALSE(wide_from_wtf8(bytes, &wide)) << ::testing::PrintToString(std::string(bytes));
  }
}

// ---- The long form ----

std::wstring current_folder() {
  wchar_t folder[4096];
  DWORD length = GetCurrentDirectoryW(4096, folder);
  std::wstring path(folder, length);
  if (path.back() != L'\\') path += L'\\';
  return path;
}

TEST(LongPathForm, ShortPathsAreKeptAsTyped) {
  for (const wchar_t* path : {L"game.pgn", L"games/game.pgn", L"..\\game.pgn", L"C:/games/x.pgn",
                              L"NUL", L"CON", L"\\\\server\\share\\game.pgn"}) {
    EXPECT_EQ(long_path_form(path), path);
  }
  std::wstring just_short(kShortPathLimit - 1 - current_folder().size(), L'x');
  EXPECT_EQ(long_path_form(just_short), just_short) << "resolves to one unit under the limit";
}

TEST(LongPathForm, LongPathsAreResolvedAndPrefixed) {
  std::wstring folder(120, L'f');
  std::wstring relative = folder + L"/" + folder + L"/./" + folder + L"\\..\\game.pgn";
  EXPECT_EQ(long_path_form(relative),
            L"\\\\?\\" + current_folder() + folder + L"\\" + folder + L"\\game.pgn");

  std::wstring absolute = L"C:/" + folder + L"/" + folder + L"/game.pgn";
  EXPECT_EQ(long_path_form(absolute), L"\\\\?\\C:\\" + folder + L"\\" + folder + L"\\game.pgn");

  std::wstring share = L"\\\\server\\share\\" + folder + L"\\" + folder + L"\\game.pgn";
  EXPECT_EQ(long_path_form(share),
            L"\\\\?\\UNC\\server\\share\\" + folder + L"\\" + folder + L"\\game.pgn");

  // A short path that resolves to a long one needs the long form as much as a long one does.
  std::wstring at_limit(kShortPathLimit - current_folder().size(), L'x');
  EXPECT_EQ(long_path_form(at_limit), L"\\\\?\\" + current_folder() + at_limit);
}

TEST(LongPathForm, VerbatimPathsAndDevicesAreKept) {
  std::wstring long_name(400, L'x');
  for (const std::wstring& path :
       {L"\\\\?\\C:\\" + long_name, L"\\\\?\\UNC\\server\\share\\" + long_name,
        L"\\??\\C:\\" + long_name, L"\\\\.\\" + long_name}) {
    EXPECT_EQ(long_path_form(path), path);
  }
}

// ---- Files under names in every script and of every length ----

// A scratch folder of the test's own, removed with everything in it.
class WindowsFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH + 1];
    DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    ASSERT_GT(length, 0u);
    folder_ = std::wstring(temp, length) + L"kestrow_windows_path_" +
              std::to_wstring(GetCurrentProcessId()) + L"\\";
    ASSERT_TRUE(CreateDirectoryW(folder_.c_str(), nullptr));
  }
  void TearDown() override { remove_tree(L"\\\\?\\" + folder_.substr(0, folder_.size() - 1)); }

  static void remove_tree(const std::wstring& path) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        std::wstring child = path + L"\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          remove_tree(child);
        } else {
          DeleteFileW(child.c_str());
        }
      } while (FindNextFileW(search, &found));
      FindClose(search);
    }
    RemoveDirectoryW(path.c_str());
  }

  // Makes the folders of `relative` (a path under the scratch folder, "\" between its parts,
  // ending in a file name) and writes `bytes` to the file; returns false when Windows cannot.
  bool make_file(const std::wstring& relative, const std::string& bytes) {
    std::wstring verbatim = L"\\\\?\\" + folder_;
    for (std::size_t at = relative.find(L'\\'); at != std::wstring::npos;
         at = relative.find(L'\\', at + 1)) {
      CreateDirectoryW((verbatim + relative.substr(0, at)).c_str(), nullptr);
    }
    HANDLE file = CreateFileW((verbatim + relative).c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
  }

  std::string wtf8(const std::wstring& path) { return wtf8_from_wide(path.c_str()); }

  std::wstring folder_;  // ends in "\"
};

TEST_F(WindowsFiles, NamesInEveryScriptAndOfEveryLengthOpen) {
  std::wstring folder(120, L'd');
  for (const std::wstring& relative :
       {std::wstring(L"\u043f\u0430\u0440\u0442\u0438\u044f.pgn"),
        std::wstring(L"\u5bf9\u5c40.pgn"),
        std::wstring(L"\u03c0\u03b1\u03c1\u03c4\u03af\u03b4\u03b1.pgn"),
        std::wstring(L"\xd83d\xde00.pgn"), folder + L"\\" + folder + L"\\" + folder + L"\\g.pgn"}) {
    ASSERT_TRUE(make_file(relative, "1. e4 e5\r\n"));
    TextStream input;
    ASSERT_TRUE(open_for_reading(&input, wtf8(folder_ + relative).c_str()));
    EXPECT_EQ(get_char(&input), '1');
    EXPECT_TRUE(close_stream(&input));

    std::wstring out = relative + L".out";
    TextStream output;
    ASSERT_TRUE(open_for_writing(&output, wtf8(folder_ + out).c_str()));
    put_text(&output, "x\n");
    EXPECT_TRUE(close_stream(&output));
    EXPECT_NE(GetFileAttributesW((L"\\\\?\\" + folder_ + out).c_str()), INVALID_FILE_ATTRIBUTES);
  }
}

TEST_F(WindowsFiles, SameFileUnderAnotherSpelling) {
  std::wstring cyrillic = L"\u043f\u0430\u0440\u0442\u0438\u044f.pgn";
  std::wstring upper = L"\u041f\u0410\u0420\u0422\u0418\u042f.PGN";
  std::wstring deep = std::wstring(120, L'd') + L"\\" + std::wstring(120, L'e') + L"\\" +
                      std::wstring(120, L'f') + L"\\game.pgn";
  ASSERT_TRUE(make_file(cyrillic, "x"));
  ASSERT_TRUE(make_file(deep, "x"));
  ASSERT_TRUE(make_file(L"other.pgn", "x"));

  TextStream input;
  ASSERT_TRUE(open_for_reading(&input, wtf8(folder_ + cyrillic).c_str()));
  EXPECT_TRUE(names_same_file(&input, wtf8(folder_ + upper).c_str())) << "another case";
  EXPECT_TRUE(names_same_file(&input, wtf8(L"\\\\?\\" + folder_ + cyrillic).c_str()));
  EXPECT_FALSE(names_same_file(&input, wtf8(folder_ + L"other.pgn").c_str()));
  EXPECT_FALSE(names_same_file(&input, "NUL"));
  EXPECT_TRUE(close_stream(&input));

  ASSERT_TRUE(open_for_reading(&input, wtf8(folder_ + deep).c_str()));
  std::wstring forward = folder_ + deep;
  for (wchar_t& c : forward) {
    if (c == L'\\') c = L'/';
  }
  EXPECT_TRUE(names_same_file(&input, wtf8(forward).c_str())) << "forward slashes";
  EXPECT_TRUE(names_same_file(&input, wtf8(L"\\\\?\\" + folder_ + deep).c_str()));
  EXPECT_FALSE(names_same_file(&input, wtf8(folder_ + cyrillic).c_str()));
  EXPECT_TRUE(close_stream(&input));
}

TEST_F(WindowsFiles, InputOpenForWritingElsewhereIsStillGuarded) {
  // Another program writing the input (an editor, say) denies the hold that shares read access
  // only; the output naming the input must still be refused, and another output opened.
  ASSERT_TRUE(make_file(L"game.pgn", "1. e4 e5\r\n"));
  HANDLE writer = CreateFileW((L"\\\\?\\" + folder_ + L"game.pgn").c_str(), GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  TextStream input;
  ASSERT_TRUE(open_for_reading(&input, wtf8(folder_ + L"game.pgn").c_str()));
  TextStream output;
  EXPECT_FALSE(open_for_writing_apart(&output, wtf8(folder_ + L"GAME.PGN").c_str(), &input));
  ASSERT_TRUE(open_for_writing_apart(&output, wtf8(folder_ + L"other.pgn").c_str(), &input));
  EXPECT_TRUE(close_stream(&output));
  EXPECT_EQ(get_char(&input), '1') << "the input was emptied";
  EXPECT_TRUE(close_stream(&input));
  CloseHandle(writer);
}

// Windows refuses to create over a hidden or system file unless those attributes are asked for
// again; Wine does not, so this passes there whichever way the file is opened.
TEST_F(WindowsFiles, ExistingOutputIsEmptiedAndKeepsItsAttributes) {
  constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  for (DWORD attributes : {DWORD{FILE_ATTRIBUTE_NORMAL}, DWORD{FILE_ATTRIBUTE_HIDDEN},
                           DWORD{FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN}}) {
    std::wstring name = L"out" + std::to_wstring(attributes) + L".pgn";
    std::wstring verbatim = L"\\\\?\\" + folder_ + name;
    ASSERT_TRUE(make_file(name, "an older and longer text\r\n"));
    ASSERT_TRUE(SetFileAttributesW(verbatim.c_str(), attributes));
    TextStream output;
    ASSERT_TRUE(open_for_writing(&output, wtf8(folder_ + name).c_str())) << attributes;
    put_text(&output, "x\n");
    EXPECT_TRUE(close_stream(&output));
    EXPECT_EQ(GetFileAttributesW(verbatim.c_str()) & kKept, attributes & kKept);
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExW(verbatim.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(data.nFileSizeLow, 3u) << "x, CR, LF and nothing of the older text";
    SetFileAttributesW(verbatim.c_str(), FILE_ATTRIBUTE_NORMAL);  // so that it can be removed
  }
}

TEST_F(WindowsFiles, BytesThatAreNoWtf8OpenNothing) {
  TextStream stream;
  EXPECT_FALSE(open_for_reading(&stream, "\xff.pgn"));
  EXPECT_FALSE(open_for_writing(&stream, wtf8(folder_).append("\xff.pgn").c_str()));
}

// ---- Kestrow.exe started with a name no shell passes ----

// Runs Kestrow.exe with the command line `arguments` in the scratch folder; returns its exit code.
DWORD run_kestrow(const std::wstring& folder, const std::wstring& arguments) {
  std::string exe = KESTROW_EXE;  // this build's program, by the path the build knows it by
  std::wstring program;
  if (exe.front() == '/') program = L"Z:";  // a POSIX path under Wine: the root drive
  for (char c : exe) program += c == '/' ? L'\\' : static_cast<wchar_t>(c);
  std::wstring line = L"\"" + program + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                      folder.c_str(), &startup, &process)) {
    ADD_FAILURE() << "cannot start " << exe;
    return 99;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 99;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code;
}

TEST_F(WindowsFiles, KestrowTakesWideArgumentsUnchanged) {
  std::wstring name = L"\u5bf9\u5c40 \xd83d\xde00.pgn";
  ASSERT_TRUE(make_file(name, "1. e4 e5\r\n"));
  EXPECT_EQ(run_kestrow(folder_, L"\"" + name + L"\" \"\u03c0.out\""), 0u);
  EXPECT_NE(GetFileAttributesW((folder_ + L"\u03c0.out").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(WindowsFiles, KestrowTakesUnpairedSurrogates) {
  std::wstring name = L"lone\xd800.pgn";
  if (!make_file(name, "1. e4 e5\r\n")) {
    GTEST_SKIP() << "this system cannot create a file whose name holds an unpaired surrogate";
  }
  EXPECT_EQ(run_kestrow(folder_, name + L" out\xdc00.pgn"), 0u);
  EXPECT_NE(GetFileAttributesW((folder_ + L"out\xdc00.pgn").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace kestrow
