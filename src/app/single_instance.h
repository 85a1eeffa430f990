// The single-instance lock that serialises machine-changing operations across processes.
#pragma once

#include <memory>

#include "platform/instance_lock.h"
#include "support/result.h"

// Creates the lock in the Administrators' private namespace, or under its global name where
// the system has no private namespaces (a log line says so). kAlreadyExists means another
// operation holds it. Only an elevated process can take it.
support::Result<std::unique_ptr<platform::HeldMutex>> AcquireSingleInstance();
