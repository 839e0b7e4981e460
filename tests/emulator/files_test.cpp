// The kernel services of the non-Windows platform: real files behind the
// Windows file functions, the temporary folder, resource "DMP" 131, file
// faults and the kill hook (with a forked child whose flash survives it).
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "emulated_platform.h"
#include "platform_api.h"

namespace {

class Kernel : public ::testing::Test {
 protected:
  void SetUp() override { machine.Reset(); }
  void TearDown() override { EXPECT_EQ(machine.OpenFileHandleCount(), 0u); }

  std::wstring Temp(const std::wstring& name) { return machine.TempPath() + name; }

  static bool WriteAll(const std::wstring& path, const std::string& content, DWORD nDisposition = CREATE_ALWAYS) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, nDisposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD nWritten = 0;
    const BOOL bOk = WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &nWritten, nullptr);
    CloseHandle(file);
    return bOk && nWritten == content.size();
  }

  static std::string ReadAll(const std::wstring& path) {
    std::ifstream in(posix_platform::ToUtf8(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  emu::CEmulatedPlatform& machine = emu::EmulatedPlatform();
};

TEST_F(Kernel, CreateFileFollowsTheDispositions) {
  struct SCase {
    const char* pName;
    bool bExists;
    DWORD nDisposition;
    bool bOk;
    DWORD nError;  // GetLastError afterwards
    const char* pContentAfter;
  } const cases[] = {
      {"open existing", true, OPEN_EXISTING, true, ERROR_SUCCESS, "old"},
      {"open missing", false, OPEN_EXISTING, false, ERROR_FILE_NOT_FOUND, nullptr},
      {"create always over a file", true, CREATE_ALWAYS, true, ERROR_ALREADY_EXISTS, ""},
      {"create always, new", false, CREATE_ALWAYS, true, ERROR_SUCCESS, ""},
      {"create new over a file", true, CREATE_NEW, false, ERROR_FILE_EXISTS, "old"},
      {"create new", false, CREATE_NEW, true, ERROR_SUCCESS, ""},
  };
  for (const SCase& row : cases) {
    SCOPED_TRACE(row.pName);
    const std::wstring path = Temp(L"case.bin");
    DeleteFileW(path.c_str());
    if (row.bExists) {
      ASSERT_TRUE(WriteAll(path, "old"));
    }
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, row.nDisposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_EQ(file != INVALID_HANDLE_VALUE, row.bOk);
    EXPECT_EQ(GetLastError(), row.nError);
    if (file != INVALID_HANDLE_VALUE) {
      EXPECT_TRUE(CloseHandle(file));
    }
    if (row.pContentAfter != nullptr) {
      EXPECT_EQ(ReadAll(path), row.pContentAfter);
    } else {
      EXPECT_EQ(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
    }
  }
}

TEST_F(Kernel, FoldersAreNotFilesAndAbsentPathsAreReported) {
  const std::wstring folder = machine.TempPath();
  EXPECT_EQ(GetFileAttributesW(folder.c_str()), FILE_ATTRIBUTE_DIRECTORY);
  for (DWORD nDisposition : {OPEN_EXISTING, CREATE_ALWAYS}) {
    EXPECT_EQ(CreateFileW(folder.c_str(), GENERIC_READ, 0, nullptr, nDisposition, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  }
  EXPECT_FALSE(DeleteFileW(folder.c_str()));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);

  EXPECT_EQ(GetFileAttributesW(Temp(L"absent").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(GetFileAttributesW(Temp(L"no/such/file").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_FALSE(DeleteFileW(Temp(L"absent").c_str()));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  ASSERT_TRUE(WriteAll(Temp(L"file"), "x"));
  EXPECT_EQ(GetFileAttributesW(Temp(L"file").c_str()), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(Kernel, ReadAndWriteMoveBytesAndHonourTheAccess) {
  const std::wstring path = Temp(L"zentor.tmp");
  std::vector<std::uint8_t> block(512);
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<std::uint8_t>(i * 3);
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD nCount = 99;
  EXPECT_FALSE(ReadFile(file, block.data(), 512, &nCount, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(WriteFile(file, block.data(), 300, &nCount, nullptr));
  EXPECT_EQ(nCount, 300u);
  EXPECT_TRUE(FlushFileBuffers(file));
  CloseHandle(file);

  file = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  std::vector<std::uint8_t> back(512, 0xEE);
  EXPECT_TRUE(ReadFile(file, back.data(), 512, &nCount, nullptr));
  EXPECT_EQ(nCount, 300u);  // a short file: success, fewer bytes
  EXPECT_TRUE(std::equal(block.begin(), block.begin() + 300, back.begin()));
  EXPECT_EQ(back[300], 0xEE);
  EXPECT_TRUE(ReadFile(file, back.data(), 512, &nCount, nullptr));
  EXPECT_EQ(nCount, 0u);
  EXPECT_FALSE(WriteFile(file, block.data(), 1, &nCount, nullptr));
  EXPECT_FALSE(FlushFileBuffers(file));
  CloseHandle(file);
  EXPECT_FALSE(CloseHandle(file));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_FALSE(ReadFile(file, back.data(), 1, &nCount, nullptr));
}

TEST_F(Kernel, MoveReplacesOnlyWhenAsked) {
  const std::wstring from = Temp(L"new.tmp");
  const std::wstring to = Temp(L"zentor.tmp");
  ASSERT_TRUE(WriteAll(from, "new"));
  ASSERT_TRUE(WriteAll(to, "old"));
  EXPECT_FALSE(MoveFileExW(from.c_str(), to.c_str(), 0));
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_EQ(ReadAll(to), "old");
  EXPECT_TRUE(MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
  EXPECT_EQ(ReadAll(to), "new");
  EXPECT_EQ(GetFileAttributesW(from.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_FALSE(MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(MoveFileExW(to.c_str(), from.c_str(), 0));  // to a free name
}

TEST_F(Kernel, JapaneseAndLongPathsWork) {
  std::wstring folder = machine.TempPath() + L"一時フォルダ/";
  while (folder.size() <= 300) folder += L"ゼントール更新用の作業フォルダ/";
  machine.SetTempPath(folder);
  const std::wstring path = folder + L"zentor.tmp";
  ASSERT_GT(path.size(), static_cast<std::size_t>(MAX_PATH));
  ASSERT_TRUE(WriteAll(path, "key"));
  struct stat info {};
  EXPECT_EQ(::stat(posix_platform::ToUtf8(path).c_str(), &info), 0);
  EXPECT_EQ(ReadAll(path), "key");
  EXPECT_TRUE(DeleteFileW(path.c_str()));
}

TEST_F(Kernel, TempPathAnswersLikeWindows) {
  std::wstring folder = machine.TempPath();
  ASSERT_EQ(folder.back(), L'/');
  std::vector<WCHAR> buffer(MAX_PATH, L'#');
  EXPECT_EQ(GetTempPathW(MAX_PATH, buffer.data()), folder.size());
  EXPECT_EQ(std::wstring(buffer.data()), folder);

  folder = machine.TempPath() + std::wstring(MAX_PATH, L'長').substr(0, 80) + L"/" + std::wstring(80, L'x') + L"/" +
           std::wstring(100, L'y') + L"/";
  machine.SetTempPath(folder);
  ASSERT_GE(folder.size(), static_cast<std::size_t>(MAX_PATH));
  std::fill(buffer.begin(), buffer.end(), L'#');
  // Too small: the length needed, its zero included, and nothing written.
  EXPECT_EQ(GetTempPathW(MAX_PATH, buffer.data()), folder.size() + 1);
  EXPECT_EQ(buffer, std::vector<WCHAR>(MAX_PATH, L'#'));
  // Exactly the path without room for its zero is too small as well.
  std::vector<WCHAR> exact(folder.size(), L'#');
  EXPECT_EQ(GetTempPathW(static_cast<DWORD>(exact.size()), exact.data()), folder.size() + 1);
  std::vector<WCHAR> enough(folder.size() + 1, L'#');
  EXPECT_EQ(GetTempPathW(static_cast<DWORD>(enough.size()), enough.data()), folder.size());
  EXPECT_EQ(std::wstring(enough.data()), folder);
}

TEST_F(Kernel, ResetGivesAFreshEmptyTemporaryFolder) {
  const std::wstring first = machine.TempPath();
  ASSERT_TRUE(WriteAll(first + L"zentor.tmp", "key"));
  machine.Reset();
  EXPECT_NE(machine.TempPath(), first);
  EXPECT_EQ(GetFileAttributesW(first.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesW(machine.TempPath().c_str()), FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(GetFileAttributesW((machine.TempPath() + L"zentor.tmp").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(Kernel, FileFaultsStrikeMatchingCalls) {
  struct SCase {
    const char* pName;
    emu::SFileFault fault;
    std::vector<int> results;  // of four attempts to create zentor.tmp for writing, then one of other.tmp
  } const cases[] = {
      {"every time", {emu::EFileOp::CreateWrite, emu::EFileFaultAction::Fail, L"zentor.tmp", 0}, {0, 0, 0, 0, 1}},
      {"second only", {emu::EFileOp::CreateWrite, emu::EFileFaultAction::Fail, L"zentor.tmp", 2}, {1, 0, 1, 1, 1}},
      {"every path", {emu::EFileOp::CreateWrite, emu::EFileFaultAction::Fail, L"", 5}, {1, 1, 1, 1, 0}},
      {"another operation", {emu::EFileOp::CreateRead, emu::EFileFaultAction::Fail, L"", 0}, {1, 1, 1, 1, 1}},
  };
  for (const SCase& row : cases) {
    SCOPED_TRACE(row.pName);
    machine.Reset();
    machine.AddFileFault(row.fault);
    std::vector<int> results;
    for (const wchar_t* pName : {L"zentor.tmp", L"zentor.tmp", L"zentor.tmp", L"zentor.tmp", L"other.tmp"}) {
      HANDLE file = CreateFileW(Temp(pName).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
      results.push_back(file != INVALID_HANDLE_VALUE);
      if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
      } else {
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
      }
    }
    EXPECT_EQ(results, row.results);
  }
}

TEST_F(Kernel, EachFileOperationCanBeMadeToFail) {
  const std::wstring path = Temp(L"zentor.tmp");
  const std::wstring other = Temp(L"zentor.new");
  ASSERT_TRUE(WriteAll(path, "key"));
  ASSERT_TRUE(WriteAll(other, "new"));
  HANDLE reader = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  HANDLE writer = CreateFileW(other.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  for (emu::EFileOp op : {emu::EFileOp::Read, emu::EFileOp::Write, emu::EFileOp::Flush, emu::EFileOp::Move,
                          emu::EFileOp::Delete, emu::EFileOp::GetAttributes, emu::EFileOp::CreateRead}) {
    machine.AddFileFault({op, emu::EFileFaultAction::Fail, L"", 0, 1234});
  }
  char buffer[4];
  DWORD nCount = 0;
  EXPECT_FALSE(ReadFile(reader, buffer, 3, &nCount, nullptr));
  EXPECT_EQ(GetLastError(), 1234u);
  EXPECT_FALSE(WriteFile(writer, "x", 1, &nCount, nullptr));
  EXPECT_FALSE(FlushFileBuffers(writer));
  EXPECT_FALSE(MoveFileExW(other.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING));
  EXPECT_FALSE(DeleteFileW(path.c_str()));
  EXPECT_EQ(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), 1234u);
  CloseHandle(reader);
  CloseHandle(writer);
  machine.ClearFileFaults();
  EXPECT_EQ(ReadAll(path), "key");
  EXPECT_EQ(ReadAll(other), "new");
}

TEST_F(Kernel, LastErrorBelongsToTheThread) {
  SetLastError(77);
  DWORD nOther = 0;
  std::thread([&nOther] {
    SetLastError(5);
    nOther = GetLastError();
  }).join();
  EXPECT_EQ(GetLastError(), 77u);
  EXPECT_EQ(nOther, 5u);
}

TEST_F(Kernel, TheFirmwareResourceIsEmbeddedOrReplaced) {
  const std::vector<std::uint8_t>& embedded = emu::EmbeddedFirmware();
  ASSERT_EQ(embedded.size(), 0x200000u);
  HRSRC resource = FindResourceW(nullptr, MAKEINTRESOURCEW(131), L"DMP");
  ASSERT_NE(resource, nullptr);
  EXPECT_EQ(SizeofResource(nullptr, resource), 0x200000u);
  const auto* pBytes = static_cast<const std::uint8_t*>(LockResource(LoadResource(nullptr, resource)));
  ASSERT_NE(pBytes, nullptr);
  EXPECT_EQ(std::memcmp(pBytes, embedded.data(), embedded.size()), 0);
  EXPECT_NE(FindResourceW(nullptr, MAKEINTRESOURCEW(131), L"dmp"), nullptr);
  EXPECT_NE(FindResourceW(nullptr, L"#131", L"DMP"), nullptr);
  EXPECT_EQ(FindResourceW(nullptr, MAKEINTRESOURCEW(132), L"DMP"), nullptr);
  EXPECT_EQ(FindResourceW(nullptr, MAKEINTRESOURCEW(131), L"RCDATA"), nullptr);

  machine.SetFirmwareResource({1, 2, 3});
  resource = FindResourceW(nullptr, MAKEINTRESOURCEW(131), L"DMP");
  EXPECT_EQ(SizeofResource(nullptr, resource), 3u);
  pBytes = static_cast<const std::uint8_t*>(LockResource(LoadResource(nullptr, resource)));
  EXPECT_EQ(std::vector<std::uint8_t>(pBytes, pBytes + 3), (std::vector<std::uint8_t>{1, 2, 3}));

  machine.SetFirmwareResource({});
  resource = FindResourceW(nullptr, MAKEINTRESOURCEW(131), L"DMP");
  EXPECT_EQ(SizeofResource(nullptr, resource), 0u);
  EXPECT_NE(LockResource(LoadResource(nullptr, resource)), nullptr);

  machine.RemoveFirmwareResource();
  EXPECT_EQ(FindResourceW(nullptr, MAKEINTRESOURCEW(131), L"DMP"), nullptr);
  EXPECT_EQ(LoadResource(nullptr, nullptr), nullptr);
  machine.Reset();
  EXPECT_NE(FindResourceW(nullptr, MAKEINTRESOURCEW(131), L"DMP"), nullptr);
}

// A file Kill fault with a hook that returns: the operation fails instead.
TEST_F(Kernel, AKillFaultRunsTheHook) {
  static int s_nKills;
  s_nKills = 0;
  machine.SetKillHook([] { ++s_nKills; });
  machine.AddFileFault({emu::EFileOp::Delete, emu::EFileFaultAction::Kill, L"zentor.tmp", 1});
  ASSERT_TRUE(WriteAll(Temp(L"zentor.tmp"), "key"));
  EXPECT_FALSE(DeleteFileW(Temp(L"zentor.tmp").c_str()));
  EXPECT_EQ(s_nKills, 1);
  EXPECT_TRUE(DeleteFileW(Temp(L"zentor.tmp").c_str()));
  machine.SetKillHook(nullptr);
}

// The pattern of the core's kill tests: a forked child programs a device
// whose flash is shared memory, and is killed at a chosen command; the parent
// then sees exactly what the child had programmed.
TEST_F(Kernel, AKilledChildLeavesItsProgrammingInSharedFlash) {
  void* pShared = ::mmap(nullptr, emu::kFlashSize, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(pShared, MAP_FAILED);
  auto* pFlash = static_cast<std::uint8_t*>(pShared);
  std::memset(pFlash, 0xFF, emu::kFlashSize);

  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    machine.SetKillHook([] { ::_exit(42); });
    auto zentor = machine.Hid().AddZentor(std::make_shared<emu::CZentorDevice>(pFlash));
    zentor->AddFault({emu::EFaultKind::Kill, emu::kCmdProgramFirst, 3});  // dies at the third page
    HANDLE device = CreateFileW(machine.Hid().Interface(0).path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    std::uint8_t report[65] = {0, emu::kCmdHandshake};
    HidD_SetFeature(device, report, 65);
    for (std::uint32_t nPage = 0; nPage < 4; ++nPage) {
      for (std::uint32_t c = 0; c < 8; ++c) {
        report[1] = c == 0 ? emu::kCmdProgramFirst : c == 7 ? emu::kCmdProgramLast : emu::kCmdProgramNext;
        report[3] = static_cast<std::uint8_t>(nPage);
        std::memset(&report[9], 0x10 + nPage, 32);
        HidD_SetFeature(device, report, 65);
      }
    }
    ::_exit(0);  // not reached
  }
  int nStatus = 0;
  ASSERT_EQ(::waitpid(child, &nStatus, 0), child);
  ASSERT_TRUE(WIFEXITED(nStatus));
  EXPECT_EQ(WEXITSTATUS(nStatus), 42);
  EXPECT_EQ(pFlash[0x000], 0x10);
  EXPECT_EQ(pFlash[0x1FF], 0x11);
  EXPECT_EQ(pFlash[0x200], 0xFF);
  EXPECT_EQ(GetFileAttributesW(machine.TempPath().c_str()), FILE_ATTRIBUTE_DIRECTORY);  // the child left it
  ::munmap(pShared, emu::kFlashSize);
}

}  // namespace
