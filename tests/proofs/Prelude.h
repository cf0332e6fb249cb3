// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// Forced into every translation unit of a proof: what goto-cc's C++ front end does not take.
#pragma once

#include <stddef.h>
#include <string.h>

// It parses neither GNU attributes in declarators nor static_assert on __builtin_offsetof;
// the layouts are checked by the real builds.
#define __attribute__(x)
#define static_assert(...)
#define __builtin_memcpy memcpy
// Nor __builtin_offsetof in an expression: the classic form, which it folds.
#undef offsetof
#define offsetof(Type, Member) ((size_t) & (((Type *)0)->Member))
// Nor __builtin_offsetof in an expression: the classic form, which it folds.
#undef offsetof
#define offsetof(Type, Member) ((size_t) & (((Type *)0)->Member))
