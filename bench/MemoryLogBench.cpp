// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// Times the memory log's heavy work on the same buffer in one run and prints the ratios.
// The log must store one byte at a time, so its limit is a loop of single volatile byte
// stores; the C library's wide stores are shown for context:
//   format           MemoryLogInit on a broken header    vs byte loop / memset of the capacity
//   discard+append   a 4-byte record at UsedSize 0xFFFFEF vs byte loop / memmove + memset + copy
//   small appends    4096 records of 64 bytes from empty  vs 4096 memcpy of 64 bytes
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "BenchPlatform.h"
#include "debug/MemoryLog.h"

namespace {

constexpr UINT32 kCapacity = MEMORY_LOG_CAPACITY;
constexpr UINT32 kDiscardUsed = 0xFFFFEF;
constexpr UINT32 kKept = kDiscardUsed - MEMORY_LOG_DISCARD;
constexpr unsigned kRecords = 4096;
constexpr unsigned kRecordSize = 64;

UINT8 *Data() { return BenchLogRegion() + MEMORY_LOG_DATA_OFFSET; }

void SetUsedSize(UINT32 Used) { std::memcpy(BenchLogRegion() + MEMORY_LOG_USED_SIZE_OFFSET, &Used, 4); }

void FormatOnce() {
  MemoryLogInit();
  SetUsedSize(0);
}

void BM_Format(benchmark::State &State) {
  for (auto _ : State) {
    BenchLogRegion()[0] = 0;  // break the signature so that Init formats
    MemoryLogInit();
    benchmark::ClobberMemory();
  }
}

void BM_FormatMemset(benchmark::State &State) {
  for (auto _ : State) {
    UINT8 *D = Data();
    benchmark::DoNotOptimize(D);
    std::memset(D, 0, kCapacity);
    benchmark::ClobberMemory();
  }
}

// Single-byte stores the compiler may not merge: the fastest the Part's stores can go.
void ByteFill(UINT8 *D, size_t Length) {
  for (size_t I = 0; I < Length; I++) static_cast<volatile UINT8 *>(D)[I] = 0;
}
void ByteMove(UINT8 *D, const UINT8 *S, size_t Length) {
  for (size_t I = 0; I < Length; I++) static_cast<volatile UINT8 *>(D)[I] = static_cast<const volatile UINT8 *>(S)[I];
}

void BM_FormatByteLoop(benchmark::State &State) {
  for (auto _ : State) {
    ByteFill(Data(), kCapacity);
    benchmark::ClobberMemory();
  }
}

void BM_DiscardAppendByteLoop(benchmark::State &State) {
  for (auto _ : State) {
    UINT8 *D = Data();
    ByteMove(D, D + MEMORY_LOG_DISCARD, kKept);
    ByteFill(D + kKept, kCapacity - kKept);
    ByteMove(D + kKept, reinterpret_cast<const UINT8 *>("WXYZ"), 4);
    SetUsedSize(kKept + 4);
    benchmark::ClobberMemory();
  }
}

void BM_DiscardAppend(benchmark::State &State) {
  FormatOnce();
  for (auto _ : State) {
    SetUsedSize(kDiscardUsed);
    MemoryLogWrite("WXYZ", 4);
    benchmark::ClobberMemory();
  }
}

void BM_DiscardAppendMemmove(benchmark::State &State) {
  for (auto _ : State) {
    UINT8 *D = Data();
    benchmark::DoNotOptimize(D);
    std::memmove(D, D + MEMORY_LOG_DISCARD, kKept);
    std::memset(D + kKept, 0, kCapacity - kKept);
    std::memcpy(D + kKept, "WXYZ", 4);
    SetUsedSize(kKept + 4);
    benchmark::ClobberMemory();
  }
}

char gRecord[kRecordSize + 1] = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcde\n";

void BM_SmallAppends(benchmark::State &State) {
  FormatOnce();
  for (auto _ : State) {
    SetUsedSize(0);
    for (unsigned I = 0; I < kRecords; I++) MemoryLogWrite(gRecord, kRecordSize);
    benchmark::ClobberMemory();
  }
}

void BM_SmallAppendsMemcpy(benchmark::State &State) {
  for (auto _ : State) {
    UINT8 *D = Data();
    for (unsigned I = 0; I < kRecords; I++) {
      benchmark::DoNotOptimize(D);
      std::memcpy(D + I * kRecordSize, gRecord, kRecordSize);
      SetUsedSize((I + 1) * kRecordSize);
    }
    benchmark::ClobberMemory();
  }
}

BENCHMARK(BM_Format)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FormatByteLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FormatMemset)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DiscardAppend)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DiscardAppendByteLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DiscardAppendMemmove)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SmallAppends)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SmallAppendsMemcpy)->Unit(benchmark::kMicrosecond);

// Keeps each benchmark's mean real time per iteration for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run> &Runs) override {
    for (const Run &R : Runs) {
      if (R.run_type == Run::RT_Iteration && R.iterations > 0) {
        Seconds[R.run_name.function_name] = R.real_accumulated_time / static_cast<double>(R.iterations);
      }
    }
    ConsoleReporter::ReportRuns(Runs);
  }
  void PrintRatio(const char *Label, const std::string &Ours, const std::string &Library) const {
    auto A = Seconds.find(Ours), B = Seconds.find(Library);
    if (A == Seconds.end() || B == Seconds.end() || B->second <= 0) return;
    std::printf("%-16s %8.3f ms vs %8.3f ms   ratio %.2fx\n", Label, A->second * 1e3, B->second * 1e3,
                A->second / B->second);
  }
  std::map<std::string, double> Seconds;
};

}  // namespace

int main(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter Reporter;
  benchmark::RunSpecifiedBenchmarks(&Reporter);
  std::printf("\nmemory log / single-byte store loop, same sizes, same buffer:\n");
  Reporter.PrintRatio("format", "BM_Format", "BM_FormatByteLoop");
  Reporter.PrintRatio("discard+append", "BM_DiscardAppend", "BM_DiscardAppendByteLoop");
  std::printf("\nmemory log / C library (wide stores), for context:\n");
  Reporter.PrintRatio("format", "BM_Format", "BM_FormatMemset");
  Reporter.PrintRatio("discard+append", "BM_DiscardAppend", "BM_DiscardAppendMemmove");
  Reporter.PrintRatio("small appends", "BM_SmallAppends", "BM_SmallAppendsMemcpy");
  benchmark::Shutdown();
  return 0;
}
