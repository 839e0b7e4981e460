// Services of the framework that a program starts with and this program uses
// none of. They exist so that start-up reads as the framework expects, and
// deliberately do nothing:
// - hosting of ActiveX controls in dialogs: neither dialog holds one;
// - the shell manager, which serves shell-aware controls: there are none.
#pragma once

class COccManager;

inline void AfxEnableControlContainer(COccManager*) {}

class CShellManager {};
