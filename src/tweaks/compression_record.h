// Whether memory compression was on before Veltrane first turned it off. The Memory step
// and the memory hardening both turn it off; whichever comes first records the state, and
// the record is never overwritten, since by the second the state read is Veltrane's own.
#pragma once

enum class CompressionState { kOn, kOff, kUnknown };

// Asks the memory manager's cmdlets; kUnknown when they are missing or fail.
CompressionState QueryCompression();

// True when a record exists or was made now from `state`; false (nothing written) when the
// record cannot be read or written, or there is none and the state is unknown. Compression
// must be left as it is then.
bool RecordCompressionOnce(CompressionState state);
