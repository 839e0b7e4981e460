// The key block and its backup file when what is on disk is not what a
// clean earlier run would have left: every case must end on a clear message
// with the device's key block and any existing backup intact.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "command_channel.h"
#include "recording_dialog.h"
#include "status_messages.h"
#include "update_procedure.h"
#include "working_image.h"
#include "zentor_fixture.h"

namespace fs = std::filesystem;

namespace {

emu::SFileFault FailingFile(emu::EFileOp op, const wchar_t* pszPathSuffix) {
  emu::SFileFault fault{};
  fault.op = op;
  fault.pathSuffix = pszPathSuffix;
  return fault;
}

class BackupFileTest : public CZentorTest {
 protected:
  CRecordingDialog m_dialog;
};

// A file of the wrong length at the backup's name was left by an interrupted
// write. It is not a key block, so the device's own is read and backed up;
// the file itself is kept under a name of its own.
class IncompleteBackupTest : public BackupFileTest, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(IncompleteBackupTest, IsKeptAsideAndTheDeviceKeyBlockIsUsed) {
  Bytes fragment(GetParam());
  for (std::size_t i = 0; i < fragment.size(); ++i) fragment[i] = static_cast<std::uint8_t>(0xA0 + i);
  WriteFileBytes(BackupPath(), fragment);

  RunUpdate(m_dialog);

  EXPECT_EQ(m_dialog.LastStatus(), IDS_UPDATE_COMPLETE);
  EXPECT_TRUE(Flash() == ExpectedFlash(emu::EmbeddedFirmware(), DeviceKeyBlock()));
  const fs::path aside = BackupPath().string() + ".1.incomplete";
  ASSERT_TRUE(fs::exists(aside));
  EXPECT_TRUE(ReadFileBytes(aside) == fragment);
}

INSTANTIATE_TEST_SUITE_P(Sizes, IncompleteBackupTest, ::testing::Values(0, 1, 511, 513),
                         [](const auto& info) { return "Bytes" + std::to_string(info.param); });

TEST_F(BackupFileTest, AFragmentSetAsideEarlierIsNeverOverwritten) {
  const fs::path firstAside = BackupPath().string() + ".1.incomplete";
  WriteFileBytes(firstAside, Bytes{1, 2, 3});
  WriteFileBytes(BackupPath(), Bytes{4, 5});

  RunUpdate(m_dialog);

  EXPECT_EQ(m_dialog.LastStatus(), IDS_UPDATE_COMPLETE);
  EXPECT_TRUE(ReadFileBytes(firstAside) == (Bytes{1, 2, 3}));
  EXPECT_TRUE(ReadFileBytes(BackupPath().string() + ".2.incomplete") == (Bytes{4, 5}));
}

// Cases in which no trustworthy backup can be made: the run stops with 107
// before the erase, and whatever was on disk stays as it was.
struct SUnsafeCase {
  const char* name;
  std::function<void(const fs::path& backup)> setUp;
};

class UnsafeBackupTest : public BackupFileTest, public ::testing::WithParamInterface<SUnsafeCase> {};

const SUnsafeCase kUnsafeCases[] = {
    {"DirectoryInItsPlace", [](const fs::path& backup) { fs::create_directory(backup); }},
    {"ExistingBackupCannotBeOpened",
     [](const fs::path& backup) {
       WriteFileBytes(backup, Bytes(512, 0x11));
       emu::EmulatedPlatform().AddFileFault(FailingFile(emu::EFileOp::CreateRead, L"zentor.tmp"));
     }},
    {"ExistingBackupCannotBeRead",
     [](const fs::path& backup) {
       WriteFileBytes(backup, Bytes(512, 0x11));
       emu::EmulatedPlatform().AddFileFault(FailingFile(emu::EFileOp::Read, L"zentor.tmp"));
     }},
    {"NewBackupCannotBeCreated",
     [](const fs::path&) { emu::EmulatedPlatform().AddFileFault(FailingFile(emu::EFileOp::CreateWrite, L"")); }},
    {"NewBackupCannotBeWritten",
     [](const fs::path&) { emu::EmulatedPlatform().AddFileFault(FailingFile(emu::EFileOp::Write, L"")); }},
    {"NewBackupCannotBeFlushed",
     [](const fs::path&) { emu::EmulatedPlatform().AddFileFault(FailingFile(emu::EFileOp::Flush, L"")); }},
    {"NewBackupCannotReplaceTheOld",
     [](const fs::path&) { emu::EmulatedPlatform().AddFileFault(FailingFile(emu::EFileOp::Move, L"")); }},
    {"NewBackupDoesNotReadBack",
     [](const fs::path&) { emu::EmulatedPlatform().AddFileFault(FailingFile(emu::EFileOp::CreateRead, L"zentor.tmp")); }},
    {"FragmentCannotBeSetAside",
     [](const fs::path& backup) {
       WriteFileBytes(backup, Bytes(100, 0x22));
       emu::EmulatedPlatform().AddFileFault(FailingFile(emu::EFileOp::Move, L""));
     }},
    {"TemporaryFolderUnusable",
     [](const fs::path&) {
       // The folder the system names is a file: nothing can be created in it.
       const std::wstring folder = emu::EmulatedPlatform().TempPath() + L"not-a-folder";
       WriteFileBytes(ToFsPath(folder), Bytes{0});
       emu::EmulatedPlatform().SetTempPath(folder + L"/", false);
     }},
};

TEST_P(UnsafeBackupTest, StopsBeforeTheEraseWithTheDiskAsItWas) {
  const fs::path backup = BackupPath();
  GetParam().setUp(backup);
  const bool bExisted = fs::exists(backup);
  const bool bWasDirectory = fs::is_directory(backup);
  const Bytes before = bExisted && !bWasDirectory ? ReadFileBytes(backup) : Bytes{};
  const Bytes flashBefore = Flash();

  RunUpdate(m_dialog);

  EXPECT_EQ(m_dialog.LastStatus(), IDS_KEY_READ_ERROR);
  EXPECT_TRUE(SentReports(CMD_ERASE).empty());
  EXPECT_TRUE(Flash() == flashBefore);
  EXPECT_EQ(fs::exists(backup), bExisted);
  EXPECT_EQ(fs::is_directory(backup), bWasDirectory);
  if (bExisted && !bWasDirectory) {
    EXPECT_TRUE(ReadFileBytes(backup) == before);
  }
  // No half-written file is left beside it either.
  EXPECT_FALSE(fs::exists(backup.string() + ".new"));
}

INSTANTIATE_TEST_SUITE_P(Cases, UnsafeBackupTest, ::testing::ValuesIn(kUnsafeCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Where the user's temporary folder is: deep, or under a Japanese user name.
class TemporaryFolderTest : public BackupFileTest, public ::testing::WithParamInterface<std::wstring> {};

TEST_P(TemporaryFolderTest, BackupIsKeptThereDuringTheRun) {
  const fs::path folder = ToFsPath(Platform().TempPath() + GetParam());
  Platform().SetTempPath(Platform().TempPath() + GetParam() + L"/");
  ASSERT_TRUE(fs::is_directory(folder));
  Device().AddFault({emu::EFaultKind::ZeroStatus, CMD_PROGRAM_LAST, 1});

  RunUpdate(m_dialog);
  ASSERT_EQ(m_dialog.LastStatus(), IDS_WRITE_ERROR);
  EXPECT_TRUE(ReadFileBytes(folder / "zentor.tmp") == ExpectedBackup(emu::EmbeddedFirmware()));

  Device().ClearFaults();
  CRecordingDialog second;
  RunUpdate(second);
  EXPECT_EQ(second.LastStatus(), IDS_UPDATE_COMPLETE);
  EXPECT_TRUE(Flash() == ExpectedFlash(emu::EmbeddedFirmware(), DeviceKeyBlock()));
  EXPECT_FALSE(fs::exists(folder / "zentor.tmp"));
}

INSTANTIATE_TEST_SUITE_P(Folders, TemporaryFolderTest,
                         ::testing::Values(L"ユーザー/山田太郎/AppData/Local/Temp",
                                           std::wstring(200, L'd') + L"/" + std::wstring(200, L'e') + L"/" + std::wstring(60, L'f')),
                         [](const auto& info) { return info.index == 0 ? "Japanese" : "LongerThanMaxPath"; });

TEST(WorkingImageTest, BlankPageIsAllErasedBytesOnly) {
  emu::EmulatedPlatform().Reset();
  Bytes image(emu::kFlashSize, 0xFF);
  image[0x100 + 255] = 0xFE;  // last byte of page 1
  image[0x200] = 0x00;        // first byte of page 2
  emu::EmulatedPlatform().SetFirmwareResource(image);
  CWorkingImage working;
  ASSERT_TRUE(working.LoadWorkingImage());
  EXPECT_TRUE(working.IsBlankPage(0x000));
  EXPECT_FALSE(working.IsBlankPage(0x100));
  EXPECT_FALSE(working.IsBlankPage(0x200));
  EXPECT_TRUE(working.IsBlankPage(0x1FFF00));
}

}  // namespace
