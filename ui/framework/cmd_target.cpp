#include "cmd_target.h"

bool SMessageMapEntry::Binds(UINT nMessageToFind, WPARAM wParam) const {
  if (nMessage != nMessageToFind) {
    return false;
  }
  return nMessage != WM_COMMAND || (nCode == HIWORD(wParam) && nID == LOWORD(wParam));
}

const SMessageMap* CCmdTarget::GetMessageMap() const { return nullptr; }

bool CCmdTarget::OnWndMsg(UINT nMessage, WPARAM wParam, LPARAM lParam, LRESULT& lResult) {
  for (const SMessageMap* pMap = GetMessageMap(); pMap != nullptr; pMap = pMap->pBaseMap) {
    for (const SMessageMapEntry& entry : pMap->entries) {
      if (entry.Binds(nMessage, wParam)) {
        lResult = entry.pfnHandler(*this, wParam, lParam);
        return true;
      }
    }
  }
  return false;
}
