// Every GUID this tree names, defined once.
#pragma once

#include "uefi/UefiBaseType.h"

// Built by EDK2, AutoGen.h declares each of these, with the value the package DEC gives
// it, since the INF lists them all; the DEC is written from these very lines.
#if !SOC_EDK2_BUILD
// {7739F24C-93D7-11D4-9A3A-0090273FC14D}: PI HOB list in the configuration table
inline constexpr EFI_GUID gEfiHobListGuid = {0x7739F24C, 0x93D7, 0x11D4, {0x9A, 0x3A, 0x00, 0x90, 0x27, 0x3F, 0xC1, 0x4D}};
// {05AD34BA-6F02-4214-952E-4DA0398E2BB9}: DXE services table in the configuration table
inline constexpr EFI_GUID gEfiDxeServicesTableGuid = {0x05AD34BA, 0x6F02, 0x4214, {0x95, 0x2E, 0x4D, 0xA0, 0x39, 0x8E, 0x2B, 0xB9}};
// {11B34006-D85B-4D0A-A290-D5A571310EF7}: PCD_PROTOCOL
inline constexpr EFI_GUID gPcdProtocolGuid = {0x11B34006, 0xD85B, 0x4D0A, {0xA2, 0x90, 0xD5, 0xA5, 0x71, 0x31, 0x0E, 0xF7}};
// {13A3F0F6-264A-3EF0-F2E0-DEC512342F34}: EFI_PCD_PROTOCOL (only located)
inline constexpr EFI_GUID gEfiPcdProtocolGuid = {0x13A3F0F6, 0x264A, 0x3EF0, {0xF2, 0xE0, 0xDE, 0xC5, 0x12, 0x34, 0x2F, 0x34}};
// {669ED5B1-49A3-4C59-9D2D-0432AD6CDB61}: DEBUG_PRINT_PROTOCOL, published by another driver
inline constexpr EFI_GUID gDebugPrintProtocolGuid = {0x669ED5B1, 0x49A3, 0x4C59, {0x9D, 0x2D, 0x04, 0x32, 0xAD, 0x6C, 0xDB, 0x61}};
// {264272B3-81D1-453A-8503-8989F4382E68}: REGISTER_ACCESS_PROTOCOL, published by another driver
inline constexpr EFI_GUID gRegisterAccessProtocolGuid = {0x264272B3, 0x81D1, 0x453A, {0x85, 0x03, 0x89, 0x89, 0xF4, 0x38, 0x2E, 0x68}};
// {4FC0733F-6FD2-491B-A890-5374521BF48F}: INTERRUPT_TABLE_PROTOCOL, published by another driver
inline constexpr EFI_GUID gInterruptTableProtocolGuid = {0x4FC0733F, 0x6FD2, 0x491B, {0xA8, 0x90, 0x53, 0x74, 0x52, 0x1B, 0xF4, 0x8F}};
// {AF62673D-DEDA-43AE-8F03-9C2D89FD78DA}: HEAP_LIST_PROTOCOL
inline constexpr EFI_GUID gHeapListProtocolGuid = {0xAF62673D, 0xDEDA, 0x43AE, {0x8F, 0x03, 0x9C, 0x2D, 0x89, 0xFD, 0x78, 0xDA}};
// {D97D161A-16CD-4ADA-B9F6-AEC3F9FCCC2C}: name of the "HEAP" GUID HOBs
inline constexpr EFI_GUID gHeapHobGuid = {0xD97D161A, 0x16CD, 0x4ADA, {0xB9, 0xF6, 0xAE, 0xC3, 0xF9, 0xFC, 0xCC, 0x2C}};
// {72F8E409-0D2A-4B91-886F-BA13449FD778}: PROCESSOR_CLASS_PROTOCOL
inline constexpr EFI_GUID gProcessorClassProtocolGuid = {0x72F8E409, 0x0D2A, 0x4B91, {0x88, 0x6F, 0xBA, 0x13, 0x44, 0x9F, 0xD7, 0x78}};
// {0967CF7E-6566-4B11-BE76-0B3EAE6392DA}: PLATFORM_INFO_PROTOCOL
inline constexpr EFI_GUID gPlatformInfoProtocolGuid = {0x0967CF7E, 0x6566, 0x4B11, {0xBE, 0x76, 0x0B, 0x3E, 0xAE, 0x63, 0x92, 0xDA}};
#endif  // !SOC_EDK2_BUILD
