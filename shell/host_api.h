// The add-in's side of the host interface: the one call wrapper, the scratch
// value builders and the status / alert helpers.
#pragma once

#include "host/hostcall.h"

// Calls the host with `count` values (each must be present) and returns the
// host's code. On a non-zero code a report naming the function and the failure
// goes to standard error. The scratch pool is reset after every call.
int CallHost(int xlfn, XLOPER* result, int count, ...);
int CallHostv(int xlfn, XLOPER* result, int count, XLOPER** values);

// Scratch values: 16 bytes of a 1024-byte pool each; null when the pool is full.
// ScratchString takes a text whose first byte is reserved for the length: it
// writes the length of the rest into that byte (at most 255) and points at it.
XLOPER* ScratchNumber(double value);
XLOPER* ScratchString(char* reservedText);
XLOPER* ScratchBool(bool value);
XLOPER* ScratchInt(int value);
XLOPER* ScratchMissing();
void ScratchReset();

// Texts are given with a reserved first character (by convention a blank) that
// becomes the length byte: ShowStatus(" Done") shows "Done".
int ShowStatus(const char* reservedText);
constexpr int kAlertNoType = 0;  // the alert is shown without a type argument
int ShowAlert(const char* reservedText, int type);

// Helpers for building host values outside the scratch pool.
// A counted string value over an owned buffer (length byte plus text, cut at
// 255 characters); release with FreeOwnedValue.
XLOPER MakeOwnedString(const char* text);
void FreeOwnedValue(XLOPER& value);
// Reads a counted string value (owned or host-made) into a std-like buffer.
// Returns false when `value` is not a string.
bool ReadCountedString(const XLOPER& value, char* out, int outSize);
