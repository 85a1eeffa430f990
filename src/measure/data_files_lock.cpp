#include "measure/data_files_lock.h"

std::mutex& DataFilesLock() {
  static std::mutex lock;
  return lock;
}
