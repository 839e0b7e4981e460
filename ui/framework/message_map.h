// The entries of a message map, one builder per kind of message. Each takes
// the handler as a member function pointer and unpacks the message's
// parameters the way that message carries them:
//
//   static constexpr SMessageMapEntry kEntries[] = {
//       PaintEntry<&CMyDlg::OnPaint>(),
//       ClickedEntry<IDC_START, &CMyDlg::OnStart>(),
//   };
#pragma once

#include "cmd_target.h"

namespace message_map_detail {

template <class>
struct SHandlerTraits;

template <class TClass, class TResult, class... TArguments>
struct SHandlerTraits<TResult (TClass::*)(TArguments...)> {
  using Class = TClass;
};

// The object whose handler runs: the target, seen as the class that declares
// the handler. The map of a class only holds handlers of that class or its
// bases, so the target is always of that class.
template <auto pfnHandler>
auto& HandlerObject(CCmdTarget& target) {
  return static_cast<typename SHandlerTraits<decltype(pfnHandler)>::Class&>(target);
}

// void OnSomething()
template <auto pfnHandler>
LRESULT CallWithoutArguments(CCmdTarget& target, WPARAM, LPARAM) {
  (HandlerObject<pfnHandler>(target).*pfnHandler)();
  return 0;
}

// void OnTimer(UINT_PTR nIDEvent)
template <auto pfnHandler>
LRESULT CallWithTimer(CCmdTarget& target, WPARAM wParam, LPARAM) {
  (HandlerObject<pfnHandler>(target).*pfnHandler)(static_cast<UINT_PTR>(wParam));
  return 0;
}

// void OnSysCommand(UINT nID, LPARAM lParam)
template <auto pfnHandler>
LRESULT CallWithSysCommand(CCmdTarget& target, WPARAM wParam, LPARAM lParam) {
  (HandlerObject<pfnHandler>(target).*pfnHandler)(static_cast<UINT>(wParam), lParam);
  return 0;
}

// HCURSOR OnQueryDragIcon()
template <auto pfnHandler>
LRESULT CallForHandle(CCmdTarget& target, WPARAM, LPARAM) {
  return reinterpret_cast<LRESULT>((HandlerObject<pfnHandler>(target).*pfnHandler)());
}

}  // namespace message_map_detail

// A command with the ID; a button sends its clicks as the command of its ID.
template <UINT nID, auto pfnHandler, UINT nCode = 0>
constexpr SMessageMapEntry CommandEntry() {
  return {WM_COMMAND, nCode, nID, &message_map_detail::CallWithoutArguments<pfnHandler>};
}

template <UINT nID, auto pfnHandler>
constexpr SMessageMapEntry ClickedEntry() {
  return CommandEntry<nID, pfnHandler, BN_CLICKED>();
}

template <auto pfnHandler>
constexpr SMessageMapEntry PaintEntry() {
  return {WM_PAINT, 0, 0, &message_map_detail::CallWithoutArguments<pfnHandler>};
}

template <auto pfnHandler>
constexpr SMessageMapEntry TimerEntry() {
  return {WM_TIMER, 0, 0, &message_map_detail::CallWithTimer<pfnHandler>};
}

template <auto pfnHandler>
constexpr SMessageMapEntry SysCommandEntry() {
  return {WM_SYSCOMMAND, 0, 0, &message_map_detail::CallWithSysCommand<pfnHandler>};
}

// The handler's icon is the message's result.
template <auto pfnHandler>
constexpr SMessageMapEntry QueryDragIconEntry() {
  return {WM_QUERYDRAGICON, 0, 0, &message_map_detail::CallForHandle<pfnHandler>};
}
