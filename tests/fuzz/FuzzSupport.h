// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// Shared pieces of the fuzz harnesses: a fresh simulated platform per input, a reader
// over the input bytes, and a check that aborts (libFuzzer then keeps the input).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "framework/Framework.h"
#include "testing/sim/Sim.h"

void ResetDriverGlobals();

#define FUZZ_CHECK(Condition)                                                             \
  do {                                                                                    \
    if (!(Condition)) {                                                                   \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #Condition); \
      std::abort();                                                                       \
    }                                                                                     \
  } while (0)

namespace fuzz {

// Consumes the input from the front; reads past the end give zeros.
class Reader {
 public:
  Reader(const uint8_t *Data, size_t Size) : Data(Data), Size(Size) {}
  uint8_t Byte() { return Offset < Size ? Data[Offset++] : 0; }
  template <typename T>
  T Take() {
    T Value{};
    const size_t N = Offset < Size ? std::min(sizeof(T), Size - Offset) : 0;
    std::memcpy(&Value, Data + Offset, N);
    Offset += N;
    return Value;
  }
  std::vector<uint8_t> Rest() {
    std::vector<uint8_t> Out(Data + std::min(Offset, Size), Data + Size);
    Offset = Size;
    return Out;
  }
  size_t Left() const { return Offset < Size ? Size - Offset : 0; }

 private:
  const uint8_t *Data;
  size_t Size;
  size_t Offset = 0;
};

// Image load state for one input: a blank machine, the driver globals at their load-time
// values and start-up step 1 done against a new simulated firmware.
struct Platform {
  Platform() {
    sim::TheMachine().Reset();
    ResetDriverGlobals();
    gSystemTable = Fw.SystemTable();
    gBootServices = Fw.BootServices();
  }
  ~Platform() { ResetDriverGlobals(); }
  sim::Firmware Fw;
  sim::Machine &Machine = sim::TheMachine();
};

}  // namespace fuzz
