// The locks over aggregate-master.csv and tune-history.csv. In this process, one mutex
// (not recursive: the public operations take it once and their inner steps run under it).
// Between processes (the service's start, the console, the window, the self-test), a
// mutex in the Administrators' private namespace, which no standard user can create
// first; atomic replacement keeps readers whole besides.
#pragma once

#include <memory>
#include <mutex>

#include "platform/instance_lock.h"

std::mutex& DataFilesLock();

// Holds both locks while it lives. The cross-process one is waited for up to 5 seconds
// (the name exists while another of our processes works on the files).
class DataFilesHold {
 public:
  DataFilesHold();
  DataFilesHold(const DataFilesHold&) = delete;
  DataFilesHold& operator=(const DataFilesHold&) = delete;
  // False when another process kept the files for the whole wait: then do nothing.
  bool held() const { return held_; }

 private:
  std::unique_lock<std::mutex> local_;
  std::unique_ptr<platform::HeldMutex> shared_;
  bool held_ = false;
};
