/** @file
  Compile-time layout checks for the records that other modules exchange with the
  SocDxe drivers. A consumer built against a header whose layout differs from the
  drivers' stops at compile time instead of misreading a record at run time.

  Include after MdePkg's Uefi.h (or PiDxe.h). Works in C11, C++ and older C dialects
  such as gnu99.

  Copyright (c) 2026, SocDxePkg contributors.
  SPDX-License-Identifier: BSD-2-Clause-Patent
**/

#ifndef SOC_DXE_LAYOUT_H_
#define SOC_DXE_LAYOUT_H_

#if defined (__cplusplus)
#define SOC_DXE_ASSERT(Expression, Message)  static_assert (Expression, Message)
#elif defined (__STDC_VERSION__) && (__STDC_VERSION__ >= 201112L)
#define SOC_DXE_ASSERT(Expression, Message)  _Static_assert (Expression, Message)
#else
// Before C11: a negative array size stops the compiler; every check names its own type.
#define SOC_DXE_ASSERT_JOIN2(A, B)  A ## B
#define SOC_DXE_ASSERT_JOIN(A, B)   SOC_DXE_ASSERT_JOIN2 (A, B)
#define SOC_DXE_ASSERT(Expression, Message) \
  typedef char SOC_DXE_ASSERT_JOIN (SocDxeLayoutCheck, __COUNTER__)[(Expression) ? 1 : -1]
#endif

///
/// Field of Type at byte Offset, Size bytes wide.
///
#define SOC_DXE_FIELD(Type, Field, Offset, Size) \
  SOC_DXE_ASSERT (OFFSET_OF (Type, Field) == (Offset) && sizeof (((Type *)0)->Field) == (Size), \
                  #Type "." #Field " is at byte " #Offset ", " #Size " bytes wide")

#define SOC_DXE_SIZE(Type, Size) \
  SOC_DXE_ASSERT (sizeof (Type) == (Size), #Type " is " #Size " bytes")

#endif
