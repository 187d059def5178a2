#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Shared by the harnesses: a scratch directory on a memory file system and a hard stop that
// libFuzzer reports as a crash with the input that caused it.

// A private directory (under /dev/shm when it exists, else $TMPDIR or /tmp), made on first use
// and removed with its files at exit.
const std::string& ScratchDir();
// Replaces path's content with the bytes; aborts when that fails (the harness is broken).
void WriteScratchFile(const std::string& path, const uint8_t* data, std::size_t size);
std::string ReadScratchFile(const std::string& path);
// Model warnings and reported errors go nowhere: a fuzzer shows thousands of them per second.
void SilenceMessages();
// Prints what broke and aborts.
[[noreturn]] void FuzzFailure(const std::string& what);
