// Windows file functions on real POSIX files. Paths are wide strings, taken
// as UTF-8 on disk with '\' read as a separator. Share modes are ignored.
// Every operation first consults the file faults that tests set.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <unordered_map>

#include "posix_platform.h"

namespace posix_platform {

namespace {

struct SFile {
  int fd;
  std::wstring path;
  bool bRead;
  bool bWrite;
};

struct SArmedFault {
  SFileFault fault;
  std::uint32_t nSeen = 0;
};

// File handles are IDs, never pointers: a stale handle names no other file.
// Kept apart from the IDs of the emulated HID stack (which start at 0x40000000).
constexpr std::uintptr_t kFileIdBase = 0x70000000;

std::unordered_map<std::uintptr_t, SFile>& Files() {
  static std::unordered_map<std::uintptr_t, SFile> files;
  return files;
}

std::vector<SArmedFault>& Faults() {
  static std::vector<SArmedFault> faults;
  return faults;
}

void (*g_pfnKill)() = nullptr;
std::uintptr_t g_nNextFileId = 0;

bool EndsWith(const std::wstring& text, const std::wstring& suffix) {
  return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// True when a fault makes this call fail; the error is then set.
bool Faulted(EFileOp op, LPCWSTR pPath, DWORD nUsualError, LPCWSTR pOtherPath = nullptr) {
  const std::wstring path = pPath != nullptr ? pPath : L"";
  const std::wstring otherPath = pOtherPath != nullptr ? pOtherPath : L"";
  for (SArmedFault& armed : Faults()) {
    const SFileFault& fault = armed.fault;
    if (fault.op != op) continue;
    if (!EndsWith(path, fault.pathSuffix) && (pOtherPath == nullptr || !EndsWith(otherPath, fault.pathSuffix))) {
      continue;
    }
    ++armed.nSeen;
    if (fault.nOccurrence != 0 && armed.nSeen != fault.nOccurrence) continue;
    if (fault.action == EFileFaultAction::Kill) Kill();
    SetLastError(fault.nError != 0 ? fault.nError : nUsualError);
    return true;
  }
  return false;
}

bool IsDirectory(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool ParentExists(const std::string& path) {
  const std::size_t nSlash = path.find_last_of('/');
  if (nSlash == std::string::npos) return true;
  if (nSlash == 0) return true;
  return IsDirectory(path.substr(0, nSlash));
}

// The Windows error for a failed POSIX call on a path.
DWORD ErrorOf(int nErrno, const std::string& path) {
  switch (nErrno) {
    case ENOENT: return ParentExists(path) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    case ENOTDIR:
    case ENAMETOOLONG: return ERROR_PATH_NOT_FOUND;
    case EEXIST: return ERROR_FILE_EXISTS;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return ERROR_ACCESS_DENIED;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    default: return ERROR_GEN_FAILURE;
  }
}

SFile* FindFile(HANDLE handle) {
  const auto found = Files().find(reinterpret_cast<std::uintptr_t>(handle));
  if (found == Files().end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return &found->second;
}

void SyncDirectoryOf(const std::string& path) {
  const std::size_t nSlash = path.find_last_of('/');
  const std::string folder = nSlash == std::string::npos ? "." : nSlash == 0 ? "/" : path.substr(0, nSlash);
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

}  // namespace

void AddFileFault(const SFileFault& fault) { Faults().push_back({fault}); }
void ClearFileFaults() { Faults().clear(); }
void SetKillHook(void (*pfnKill)()) { g_pfnKill = pfnKill; }

void Kill() {
  if (g_pfnKill != nullptr) {
    g_pfnKill();
  } else {
    std::abort();
  }
}

HANDLE CreateFile(LPCWSTR pPath, DWORD nAccess, DWORD nDisposition) {
  const bool bRead = (nAccess & GENERIC_READ) != 0;
  const bool bWrite = (nAccess & GENERIC_WRITE) != 0;
  if (Faulted(bWrite ? EFileOp::CreateWrite : EFileOp::CreateRead, pPath, ERROR_ACCESS_DENIED)) {
    return INVALID_HANDLE_VALUE;
  }
  if (pPath == nullptr || *pPath == 0) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  const std::string path = ToPosixPath(pPath);
  // Windows opens no directory through CreateFileW without backup semantics.
  if (IsDirectory(path)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  // CREATE_ALWAYS empties an existing file whatever the access, and O_TRUNC
  // needs write access: such an open is made read/write underneath.
  const bool bOpenWrite = bWrite || nDisposition == CREATE_ALWAYS;
  int nFlags = O_CLOEXEC | (bOpenWrite ? (bRead || !bWrite ? O_RDWR : O_WRONLY) : O_RDONLY);
  bool bExisted = false;
  switch (nDisposition) {
    case OPEN_EXISTING: break;
    case CREATE_ALWAYS:
      bExisted = ::access(path.c_str(), F_OK) == 0;
      nFlags |= O_CREAT | O_TRUNC;
      break;
    case CREATE_NEW: nFlags |= O_CREAT | O_EXCL; break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return INVALID_HANDLE_VALUE;
  }
  const int fd = ::open(path.c_str(), nFlags, 0666);
  if (fd < 0) {
    SetLastError(ErrorOf(errno, path));
    return INVALID_HANDLE_VALUE;
  }
  g_nNextFileId += 4;
  const std::uintptr_t nId = kFileIdBase + g_nNextFileId;
  Files().emplace(nId, SFile{fd, pPath, bRead, bWrite});
  SetLastError(bExisted ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return reinterpret_cast<HANDLE>(nId);
}

bool IsFileHandle(HANDLE handle) { return Files().count(reinterpret_cast<std::uintptr_t>(handle)) == 1; }

BOOL CloseFile(HANDLE handle) {
  const SFile* pFile = FindFile(handle);
  if (pFile == nullptr) return FALSE;
  ::close(pFile->fd);
  Files().erase(reinterpret_cast<std::uintptr_t>(handle));
  return TRUE;
}

std::size_t OpenFileHandleCount() { return Files().size(); }

}  // namespace posix_platform

using namespace posix_platform;

BOOL ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
              LPOVERLAPPED lpOverlapped) {
  if (lpNumberOfBytesRead != nullptr) *lpNumberOfBytesRead = 0;
  const SFile* pFile = FindFile(hFile);
  if (pFile == nullptr) return FALSE;
  if (lpOverlapped != nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);  // opened for synchronous use only
    return FALSE;
  }
  if (!pFile->bRead) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (Faulted(EFileOp::Read, pFile->path.c_str(), ERROR_GEN_FAILURE)) return FALSE;
  auto* pBytes = static_cast<unsigned char*>(lpBuffer);
  DWORD nDone = 0;
  while (nDone < nNumberOfBytesToRead) {
    const ssize_t nRead = ::read(pFile->fd, pBytes + nDone, nNumberOfBytesToRead - nDone);
    if (nRead < 0 && errno == EINTR) continue;
    if (nRead < 0) {
      SetLastError(ERROR_GEN_FAILURE);
      if (lpNumberOfBytesRead != nullptr) *lpNumberOfBytesRead = nDone;
      return FALSE;
    }
    if (nRead == 0) break;  // end of file: success with fewer bytes
    nDone += static_cast<DWORD>(nRead);
  }
  if (lpNumberOfBytesRead != nullptr) *lpNumberOfBytesRead = nDone;
  return TRUE;
}

BOOL WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
               LPOVERLAPPED lpOverlapped) {
  if (lpNumberOfBytesWritten != nullptr) *lpNumberOfBytesWritten = 0;
  const SFile* pFile = FindFile(hFile);
  if (pFile == nullptr) return FALSE;
  if (lpOverlapped != nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!pFile->bWrite) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (Faulted(EFileOp::Write, pFile->path.c_str(), ERROR_GEN_FAILURE)) return FALSE;
  const auto* pBytes = static_cast<const unsigned char*>(lpBuffer);
  DWORD nDone = 0;
  while (nDone < nNumberOfBytesToWrite) {
    const ssize_t nWritten = ::write(pFile->fd, pBytes + nDone, nNumberOfBytesToWrite - nDone);
    if (nWritten < 0 && errno == EINTR) continue;
    if (nWritten <= 0) {
      SetLastError(ERROR_GEN_FAILURE);
      if (lpNumberOfBytesWritten != nullptr) *lpNumberOfBytesWritten = nDone;
      return FALSE;
    }
    nDone += static_cast<DWORD>(nWritten);
  }
  if (lpNumberOfBytesWritten != nullptr) *lpNumberOfBytesWritten = nDone;
  return TRUE;
}

BOOL FlushFileBuffers(HANDLE hFile) {
  const SFile* pFile = FindFile(hFile);
  if (pFile == nullptr) return FALSE;
  if (!pFile->bWrite) {
    SetLastError(ERROR_ACCESS_DENIED);  // as Windows: flushing needs write access
    return FALSE;
  }
  if (Faulted(EFileOp::Flush, pFile->path.c_str(), ERROR_GEN_FAILURE)) return FALSE;
  if (::fsync(pFile->fd) != 0) {
    SetLastError(ERROR_GEN_FAILURE);
    return FALSE;
  }
  return TRUE;
}

BOOL MoveFileExW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, DWORD dwFlags) {
  if (Faulted(EFileOp::Move, lpExistingFileName, ERROR_ACCESS_DENIED, lpNewFileName)) return FALSE;
  if (lpExistingFileName == nullptr || lpNewFileName == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const std::string from = ToPosixPath(lpExistingFileName);
  const std::string to = ToPosixPath(lpNewFileName);
  struct stat info {};
  if (::lstat(from.c_str(), &info) != 0) {
    SetLastError(ErrorOf(errno, from));
    return FALSE;
  }
  int nResult = 0;
  if ((dwFlags & MOVEFILE_REPLACE_EXISTING) != 0) {
    if (IsDirectory(to)) {
      SetLastError(ERROR_ACCESS_DENIED);  // a directory is never replaced
      return FALSE;
    }
    nResult = ::rename(from.c_str(), to.c_str());  // atomic replacement
  } else {
    nResult = ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
    if (nResult != 0 && (errno == EINVAL || errno == ENOSYS)) {
      // A file system without RENAME_NOREPLACE.
      if (::access(to.c_str(), F_OK) == 0) {
        errno = EEXIST;
      } else {
        nResult = ::rename(from.c_str(), to.c_str());
      }
    }
  }
  if (nResult != 0) {
    SetLastError(errno == EEXIST ? ERROR_ALREADY_EXISTS : errno == EXDEV ? 17u /* ERROR_NOT_SAME_DEVICE */
                                                                         : ErrorOf(errno, to));
    return FALSE;
  }
  if ((dwFlags & MOVEFILE_WRITE_THROUGH) != 0) SyncDirectoryOf(to);
  return TRUE;
}

BOOL DeleteFileW(LPCWSTR lpFileName) {
  if (Faulted(EFileOp::Delete, lpFileName, ERROR_ACCESS_DENIED)) return FALSE;
  if (lpFileName == nullptr || *lpFileName == 0) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  const std::string path = ToPosixPath(lpFileName);
  if (IsDirectory(path)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (::unlink(path.c_str()) != 0) {
    SetLastError(ErrorOf(errno, path));
    return FALSE;
  }
  return TRUE;
}

DWORD GetFileAttributesW(LPCWSTR lpFileName) {
  if (Faulted(EFileOp::GetAttributes, lpFileName, ERROR_ACCESS_DENIED)) return INVALID_FILE_ATTRIBUTES;
  if (lpFileName == nullptr || *lpFileName == 0) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_FILE_ATTRIBUTES;
  }
  const std::string path = ToPosixPath(lpFileName);
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    SetLastError(ErrorOf(errno, path));
    return INVALID_FILE_ATTRIBUTES;
  }
  return S_ISDIR(info.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
}
