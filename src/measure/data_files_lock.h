// The one process-wide lock over aggregate-master.csv and tune-history.csv. Not
// recursive: the public operations take it once and their inner steps run under it.
// Between processes nothing is locked; atomic replacement keeps readers whole.
#pragma once

#include <mutex>

std::mutex& DataFilesLock();
