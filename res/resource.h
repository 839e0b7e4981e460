/* Resource identifiers, shared by the resource script and the C++ code. The
   string IDs (IDS_) are in update/status_messages.inc with their texts.
   Plain defines only: the resource compiler reads this file too. */
#pragma once

#define IDD_ABOUT 100
#define IDD_MAIN 102
#define IDI_MAIN 128
#define IDR_FIRMWARE 131
#define IDR_FIRMWARE_TYPE L"DMP"

#define IDC_UPDATE 1000
#define IDC_STATUS 1001
#define IDC_PROGRESS 1002

#define IDM_ABOUT 0x0010

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
