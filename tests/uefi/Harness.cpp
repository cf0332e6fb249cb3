// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
#include "tests/uefi/Harness.h"

#include "tests/uefi/Print.h"

EFI_HANDLE gAppImage = NULL;
volatile UINT8 gDebuggerAttached = 0;
EFI_SYSTEM_TABLE *gST = NULL;
EFI_BOOT_SERVICES *gBS = NULL;

namespace {

void PrintCheck(const char *Verdict, const char *Subject, const char *What) {
  if (Subject != NULL) {
    Print("@@ %a %a.%a", Verdict, Subject, What);
  } else {
    Print("@@ %a %a", Verdict, What);
  }
}

void PrintFail(const char *Subject, const char *What, const char *Format, __builtin_va_list Args) {
  PrintCheck("FAIL", Subject, What);
  Print(": ");
  VPrint(Format, Args);
  Print("\n");
}

}  // namespace

void Pass(const char *Subject, const char *What) {
  PrintCheck("PASS", Subject, What);
  Print("\n");
}

void Fail(const char *Subject, const char *What, const char *Format, ...) {
  __builtin_va_list Args;
  __builtin_va_start(Args, Format);
  PrintFail(Subject, What, Format, Args);
  __builtin_va_end(Args);
}

bool Expect(bool Ok, const char *Subject, const char *What, const char *Format, ...) {
  if (Ok) {
    Pass(Subject, What);
    return true;
  }
  __builtin_va_list Args;
  __builtin_va_start(Args, Format);
  PrintFail(Subject, What, Format, Args);
  __builtin_va_end(Args);
  return false;
}

void Info(const char *Format, ...) {
  __builtin_va_list Args;
  __builtin_va_start(Args, Format);
  Print("@@ INFO ");
  VPrint(Format, Args);
  Print("\n");
  __builtin_va_end(Args);
}

void Report(const char *Format, ...) {
  __builtin_va_list Args;
  __builtin_va_start(Args, Format);
  Print("@@ REPORT ");
  VPrint(Format, Args);
  Print("\n");
  __builtin_va_end(Args);
}

bool AsciiEqual(const char *A, const char *B) {
  while (*A != 0 && *A == *B) {
    A++;
    B++;
  }
  return *A == *B;
}
