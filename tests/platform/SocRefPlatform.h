/** @file
  What the reference platform's own modules and the test application share: the interrupt
  tables the platform's producer installs, the registers its REGISTER_ACCESS_PROTOCOL
  serves, and the answers its C consumer records. C, so both the platform's modules and the
  application include it.

  Copyright (c) 2026, SocDxePkg contributors.
  SPDX-License-Identifier: BSD-2-Clause-Patent
**/

#ifndef SOC_REF_PLATFORM_H_
#define SOC_REF_PLATFORM_H_

#include <Protocol/PlatformInfo.h>
#include <Protocol/ProcessorClass.h>

///
/// The producer's tables, each filled with SOC_REF_TABLE_FILL first, with slack after
/// the last row: four I/O APIC rows and two routing rows (offsets as the drivers' fix-up
/// reads them: I/O APIC rows at 20 + 24 * i, routing items at 73 + 345 * r + 2 * j).
///
#define SOC_REF_INTERFACE_SIZE      48
#define SOC_REF_IOAPIC_ROWS         4
#define SOC_REF_ROUTING_ROWS        2
#define SOC_REF_IOAPIC_TABLE_SIZE   (20 + 24 * SOC_REF_IOAPIC_ROWS + 16)
#define SOC_REF_ROUTING_TABLE_SIZE  (73 + 345 * SOC_REF_ROUTING_ROWS + 16)
#define SOC_REF_TABLE_FILL          0xC5

///
/// Base address and identifier of each I/O APIC row: both I/O APICs with junk above their
/// identifiers, a row whose address matches only in its low 32 bits, an unrelated one.
///
#define SOC_REF_IOAPIC_ROW_VALUES \
  { { 0xFEC00000, 0xABCDEF05 }, { 0x1FEC00000ULL, 0x00000007 }, { 0xFEC01000, 0x12345606 }, { 0xFEC02000, 0x00000008 } }

///
/// Input number and identifier of each routing item, row by row: both ends of the
/// input range 24..55 and just outside it.
///
#define SOC_REF_ROUTING_ITEM_VALUES \
  { { { 23, 0x05 }, { 24, 0x05 }, { 55, 0x05 }, { 56, 0x05 } }, \
    { { 24, 0x06 }, { 55, 0x06 }, { 40, 0x07 }, { 23, 0x06 } } }

///
/// The registers the platform's REGISTER_ACCESS_PROTOCOL serves (space 0), with bits set
/// inside and outside every field the drivers take: SocDxeM70's information byte and unit
/// register, SocDxeM60's, its unit mask (bits 23..22 = 2: unit 1) and the three unit
/// registers.
///
typedef struct {
  UINT32    Address;
  UINT32    Value;
} SOC_REF_REGISTER;

#define SOC_REF_REGISTER_VALUES \
  { { 0x0005D8F4, 0x9E3779B9 }, { 0x0005D528, 0x12346BC0 }, { 0x0005D584, 0x7F4A7C15 }, \
    { 0x0005D3BC, 0x0080F00F }, { 0x30081CD0, 0xF00001A5 }, { 0x32081CD0, 0x0FFFFE5A }, \
    { 0x34081CD0, 0xAAAAA13C } }

///
/// The C consumer's FFS file and the record of its answers, installed on its image handle.
///
#define SOC_REF_CONSUMER_FILE_GUID_TEXT  "6A1E2F3B-7C4D-4E5F-8A9B-0C1D2E3F4A5B"

///
/// The FFS file of the platform's DEBUG_PRINT_PROTOCOL producer, which the volume's APRIORI
/// file dispatches before the SocDxe drivers.
///
#define SOC_REF_DEBUG_PRINT_FILE_GUID_TEXT  "5B0E93A7-61C4-4F2D-A8E5-3D7F0C19B2E8"
#define SOC_REF_CONSUMER_RESULT_GUID \
  { 0x6A1E2F3B, 0x7C4D, 0x4E5F, { 0x8A, 0x9B, 0x0C, 0x1D, 0x2E, 0x3F, 0x4A, 0x5C } }

#define SOC_REF_UNTOUCHED  0xA5A5A5A5U

typedef struct {
  EFI_STATUS                  Located[3];      ///< class, platform information, heap list
  EFI_STATUS                  ThisCore;
  PROCESSOR_CLASS_ID          ThisCoreId;
  EFI_STATUS                  CoreOfThisCore;
  PROCESSOR_CLASS_ID          CoreOfThisCoreId;
  EFI_STATUS                  Socket0;
  PROCESSOR_CLASS_ID          Socket0Id;
  EFI_STATUS                  Socket1;
  EFI_STATUS                  InfoByte;
  UINT32                      InfoByteValue;   ///< SOC_REF_UNTOUCHED unless written
  EFI_STATUS                  UnitInfo;
  UINT32                      UnitMask;        ///< SOC_REF_UNTOUCHED unless written
  UINT32                      UnitField;       ///< SOC_REF_UNTOUCHED unless written
  UINT32                      UnitWidth;       ///< SOC_REF_UNTOUCHED unless written
  UINT8                       UnitFlag;        ///< 0xA5 unless written
  EFI_STATUS                  Descriptor;
  PLATFORM_INFO_DESCRIPTOR    DescriptorWords;
  EFI_STATUS                  Reserved;
  UINT32                      HeapNodes;
  UINT32                      HeapBytes;       ///< sum of the nodes' DataSize
} SOC_REF_CONSUMER_RESULT;

#endif
