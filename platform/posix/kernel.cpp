// GetLastError/SetLastError, GetTempPathW and the conversion of wide paths.
#include <cstdlib>

#include "posix_platform.h"

namespace {

thread_local DWORD t_nLastError = ERROR_SUCCESS;

std::wstring DefaultTempPath() {
  const char* pTmpDir = std::getenv("TMPDIR");
  std::wstring path = posix_platform::FromUtf8(pTmpDir != nullptr && *pTmpDir != 0 ? pTmpDir : "/tmp");
  if (path.back() != L'/') path += L'/';
  return path;
}

std::wstring& TempPathStorage() {
  static std::wstring path = DefaultTempPath();
  return path;
}

void AppendUtf8(std::string& out, char32_t nCode) {
  if (nCode > 0x10FFFF || (nCode >= 0xD800 && nCode <= 0xDFFF)) nCode = 0xFFFD;
  if (nCode < 0x80) {
    out += static_cast<char>(nCode);
  } else if (nCode < 0x800) {
    out += static_cast<char>(0xC0 | (nCode >> 6));
    out += static_cast<char>(0x80 | (nCode & 0x3F));
  } else if (nCode < 0x10000) {
    out += static_cast<char>(0xE0 | (nCode >> 12));
    out += static_cast<char>(0x80 | ((nCode >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (nCode & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (nCode >> 18));
    out += static_cast<char>(0x80 | ((nCode >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((nCode >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (nCode & 0x3F));
  }
}

void AppendWide(std::wstring& out, char32_t nCode) {
  if constexpr (sizeof(wchar_t) == 2) {
    if (nCode >= 0x10000) {
      nCode -= 0x10000;
      out += static_cast<wchar_t>(0xD800 + (nCode >> 10));
      out += static_cast<wchar_t>(0xDC00 + (nCode & 0x3FF));
      return;
    }
  }
  out += static_cast<wchar_t>(nCode);
}

}  // namespace

DWORD GetLastError() { return t_nLastError; }
void SetLastError(DWORD dwErrCode) { t_nLastError = dwErrCode; }

// As Windows: with room for the path and its terminating zero, the path is
// written and its length returned; otherwise nothing is written and the
// length that the buffer needs, the zero included, is returned.
DWORD GetTempPathW(DWORD nBufferLength, LPWSTR lpBuffer) {
  const std::wstring& path = TempPathStorage();
  const DWORD nLength = static_cast<DWORD>(path.size());
  if (lpBuffer == nullptr || nBufferLength < nLength + 1) return nLength + 1;
  path.copy(lpBuffer, nLength);
  lpBuffer[nLength] = 0;
  return nLength;
}

namespace posix_platform {

void SetTempPath(const std::wstring& path) { TempPathStorage() = path; }
const std::wstring& TempPath() { return TempPathStorage(); }

std::string ToUtf8(const std::wstring& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t nCode = static_cast<char32_t>(text[i]);
    if constexpr (sizeof(wchar_t) == 2) {
      nCode &= 0xFFFF;
      if (nCode >= 0xD800 && nCode <= 0xDBFF && i + 1 < text.size()) {
        const char32_t nLow = static_cast<char32_t>(text[i + 1]) & 0xFFFF;
        if (nLow >= 0xDC00 && nLow <= 0xDFFF) {
          nCode = 0x10000 + ((nCode - 0xD800) << 10) + (nLow - 0xDC00);
          ++i;
        }
      }
    }
    AppendUtf8(out, nCode);
  }
  return out;
}

std::wstring FromUtf8(const std::string& text) {
  std::wstring out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char nLead = static_cast<unsigned char>(text[i]);
    std::size_t nMore = 0;
    char32_t nCode = 0;
    if (nLead < 0x80) {
      nCode = nLead;
    } else if ((nLead & 0xE0) == 0xC0) {
      nMore = 1;
      nCode = nLead & 0x1F;
    } else if ((nLead & 0xF0) == 0xE0) {
      nMore = 2;
      nCode = nLead & 0x0F;
    } else if ((nLead & 0xF8) == 0xF0) {
      nMore = 3;
      nCode = nLead & 0x07;
    } else {
      AppendWide(out, 0xFFFD);
      ++i;
      continue;
    }
    std::size_t j = 1;
    for (; j <= nMore && i + j < text.size(); ++j) {
      const unsigned char nNext = static_cast<unsigned char>(text[i + j]);
      if ((nNext & 0xC0) != 0x80) break;
      nCode = (nCode << 6) | (nNext & 0x3F);
    }
    if (j <= nMore) nCode = 0xFFFD;
    AppendWide(out, nCode > 0x10FFFF ? 0xFFFD : nCode);
    i += j;
  }
  return out;
}

std::string ToPosixPath(LPCWSTR pPath) {
  std::string path = ToUtf8(pPath != nullptr ? std::wstring(pPath) : std::wstring());
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

}  // namespace posix_platform
