#include "about_dlg.h"

#include "resource.h"

CAboutDlg::CAboutDlg() : CDialogEx(IDD_ABOUT) {}

CAboutDlg::~CAboutDlg() = default;

const SMessageMap* CAboutDlg::GetMessageMap() const {
  static const SMessageMap map{CDialogEx::GetMessageMap(), {}};
  return &map;
}
