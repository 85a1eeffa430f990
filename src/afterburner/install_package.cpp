#include "afterburner/install_afterburner.h"

bool InstallAfterburnerPackage(gui::Feed*, std::wstring& error) {
  error = L"Downloading MSI Afterburner is not available in this build yet. Install MSI "
          L"Afterburner yourself, then run this step again.";
  return false;
}
