// CCmdTarget: an object that binds window messages and commands to its member
// handlers through a message map.
//
// A message map is a table of entries per class, chained to the table of the
// base class. A message is looked up from the most derived class's table
// towards the base; the first entry that binds it wins, so a derived class
// can take over a message that its base handles.
#pragma once

#include <span>

#include "windows_headers.h"

class CCmdTarget;

struct SMessageMapEntry {
  UINT nMessage;
  // WM_COMMAND only: the notification code (BN_CLICKED, or 0 for a menu or
  // accelerator command, which is the same number) and the control or
  // command ID. Ignored for every other message.
  UINT nCode;
  UINT nID;
  // Unpacks the message's parameters for the handler and calls it on the
  // target; the result is the message's result.
  LRESULT (*pfnHandler)(CCmdTarget& target, WPARAM wParam, LPARAM lParam);

  bool Binds(UINT nMessageToFind, WPARAM wParam) const;
};

struct SMessageMap {
  const SMessageMap* pBaseMap;
  std::span<const SMessageMapEntry> entries;
};

class CCmdTarget {
 public:
  CCmdTarget() = default;
  CCmdTarget(const CCmdTarget&) = delete;
  CCmdTarget& operator=(const CCmdTarget&) = delete;
  virtual ~CCmdTarget() = default;

  // The class's own table, chained to its base's; null when no class in the
  // chain binds anything.
  virtual const SMessageMap* GetMessageMap() const;

  // Runs the handler that the message map binds to the message. False when
  // nothing binds it; the caller then leaves it to the system.
  bool OnWndMsg(UINT nMessage, WPARAM wParam, LPARAM lParam, LRESULT& lResult);
};
