#include "measure/atomic_file.h"

#include "platform/files.h"
#include "platform/system.h"

bool WriteFileAtomically(const std::wstring& path, std::string_view bytes) {
  platform::Files& files = platform::Sys().files;
  const std::wstring tmp = path + L".tmp";
  // Step 1: all bytes into a fresh temporary file, or nothing.
  if (!files.WriteNew(tmp, bytes).ok()) {
    (void)files.Delete(tmp);
    return false;
  }
  // Step 2: one replacing, write-through move: a crash leaves the old file or the new.
  if (!files.MoveReplace(tmp, path).ok()) {
    (void)files.Delete(tmp);
    return false;
  }
  return true;
}
