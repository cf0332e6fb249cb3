// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// The class each deliverable's tables must give, written down apart from the drivers'
// tables so that a wrong row cannot agree with itself. No library: the unit tests and the
// test application both read it.
#pragma once

#include "efi/Uefi.h"

namespace classcase {

// CPUID 0x80000001 EAX from its fields.
constexpr UINT32 Signature(UINT32 ExtFamily, UINT32 BaseFamily, UINT32 Model, UINT32 Stepping) {
  return ExtFamily << 20 | (Model >> 4) << 16 | BaseFamily << 8 | (Model & 0xF) << 4 | Stepping;
}
constexpr UINT32 Family19h(UINT32 Model, UINT32 Stepping) { return Signature(0xA, 0xF, Model, Stepping); }
constexpr UINT32 Family17h(UINT32 Model, UINT32 Stepping) { return Signature(0x8, 0xF, Model, Stepping); }

// A signature served and the pairs it gives: the class services' and the core services'.
struct Hit {
  UINT32 Sig;
  UINT32 FamilyClass;
  UINT16 RevisionClass;
  UINT32 CoreFamilyClass;
  UINT16 CoreRevisionClass;
};

// SocDxeM70: every revision row of every family row, the defaults, and the family sum.
constexpr Hit kM70Hits[] = {
    // Family 19h, models 7xh
    {Family19h(0x75, 2), 0x00002000, 0x0080, 3, 0x0400},
    {Family19h(0x7C, 0), 0x00002000, 0x0100, 3, 0x0100},
    {Family19h(0x78, 0), 0x00002000, 0x0004, 3, 0x0100},
    {Family19h(0x74, 2), 0x00002000, 0x0008, 3, 0x0400},
    {Family19h(0x74, 1), 0x00002000, 0x0002, 3, 0x0200},
    {Family19h(0x74, 0), 0x00002000, 0x0001, 3, 0x0100},
    {Family19h(0x70, 0), 0x00002000, 0x0001, 3, 0x0100},
    // Family 19h, models 6xh
    {Family19h(0x61, 2), 0x00004000, 0x0020, 3, 0x2000},
    {Family19h(0x61, 1), 0x00004000, 0x0010, 3, 0x1000},
    {Family19h(0x61, 0), 0x00004000, 0x0010, 3, 0x1000},
    {Family19h(0x60, 1), 0x00004000, 0x0001, 3, 0x0100},
    {Family19h(0x60, 0), 0x00004000, 0x0001, 3, 0x0100},
    // Family 19h, models 1xh
    {Family19h(0x11, 2), 0x00001000, 0x0040, 3, 0x4000},
    {Family19h(0x11, 1), 0x00001000, 0x0020, 3, 0x2000},
    {Family19h(0x11, 0), 0x00001000, 0x0010, 3, 0x1000},
    {Family19h(0x10, 0xB), 0x00001000, 0x0004, 3, 0x1000},
    {Family19h(0x10, 1), 0x00001000, 0x0002, 3, 0x0100},
    {Family19h(0x10, 0), 0x00001000, 0x0001, 3, 0x0100},
    {Family19h(0x18, 1), 0x00001000, 0x0200, 3, 0x2000},
    {Family19h(0x18, 0), 0x00001000, 0x0100, 3, 0x1000},
    // Family 19h, models Axh, 8xh, 9xh
    {Family19h(0xA0, 1), 0x00008000, 0x0002, 3, 0x0200},
    {Family19h(0xA0, 0), 0x00008000, 0x0001, 3, 0x0100},
    {Family19h(0x80, 0), 0x00010000, 0x0001, 3, 0x0100},
    {Family19h(0x90, 1), 0x00040000, 0x0002, 3, 0x4000},
    {Family19h(0x90, 0), 0x00040000, 0x0001, 3, 0x2000},
    // No revision row: the first row of the family's table
    {Family19h(0x71, 0), 0x00002000, 0x0080, 3, 0x0400},
    {Family19h(0x75, 3), 0x00002000, 0x0080, 3, 0x0400},
    {Family19h(0x6F, 0xF), 0x00004000, 0x0020, 3, 0x2000},
    {Family19h(0x12, 0), 0x00001000, 0x0040, 3, 0x4000},
    {Family19h(0xAF, 3), 0x00008000, 0x0002, 3, 0x0200},
    {Family19h(0x85, 1), 0x00010000, 0x0001, 3, 0x0100},
    {Family19h(0x9C, 0), 0x00040000, 0x0002, 3, 0x4000},
    // Family sum 0x10 + 9 and 0xB + 0xE are 0x19 too
    {Signature(0x10, 0x9, 0x70, 0), 0x00002000, 0x0001, 3, 0x0100},
    {Signature(0x0B, 0xE, 0x75, 2), 0x00002000, 0x0080, 3, 0x0400},
    // Bits 31:28 and 15:12 take no part
    {Family19h(0x75, 2) | 0xF000F000U, 0x00002000, 0x0080, 3, 0x0400},
};

constexpr UINT32 kM70Misses[] = {
    Family19h(0x21, 0),     // extended model 2: no row
    Family19h(0xF5, 2),     // extended model F
    Family17h(0x71, 0),     // family 17h
    Family17h(0x30, 0),
    Signature(0xA, 0xE, 0x75, 2),  // family 18h
    0x00000000,             // the end row's family and model must never match
    0xFFFFFFFF,             // what an absent data register reads
};

// SocDxeM60: family 17h rows only, so its own processors miss.
constexpr Hit kM60Hits[] = {
    // Family 17h, models 3xh
    {Family17h(0x31, 0), 0x00000010, 0x0010, 1, 0x0010},
    {Family17h(0x30, 0), 0x00000010, 0x0001, 1, 0x0001},
    // Family 17h, models 7xh
    {Family17h(0x71, 0), 0x00000004, 0x0010, 1, 0x0010},
    {Family17h(0x70, 0), 0x00000004, 0x0001, 1, 0x0001},
    // No revision row: the first row of the family's table
    {Family17h(0x72, 1), 0x00000004, 0x0010, 1, 0x0010},
    {Family17h(0x3F, 0xF), 0x00000010, 0x0010, 1, 0x0010},
    {Family17h(0x30, 1), 0x00000010, 0x0010, 1, 0x0010},
    // Family sum 0x10 + 7 is 0x17 too
    {Signature(0x10, 0x7, 0x30, 0), 0x00000010, 0x0001, 1, 0x0001},
};

constexpr UINT32 kM60Misses[] = {
    Family19h(0x61, 2),  // what this deliverable's driver main accepts
    Family19h(0x60, 0),
    Family19h(0x6F, 0xF),
    Family19h(0x75, 2),
    Family19h(0x70, 0),
    Family17h(0x21, 0),
    0x00000000,  // the end row's family and model must never match
    0xFFFFFFFF,
};

}  // namespace classcase
