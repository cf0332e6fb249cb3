// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// What each deliverable is expected to do, written out independently of the driver's own
// data so that a wrong table entry shows up as a test failure.
#pragma once

#include <iterator>
#include <string>
#include <vector>

#include "tests/common/PresenceLists.h"
#include "efi/UefiBaseType.h"

namespace expect {

#if SOC_VARIANT_m70
inline constexpr UINT32 OwnSignature = 0x00A70F52;    // family 19h, model 75h, stepping 2
inline constexpr UINT32 OtherSignature = 0x00A60F12;  // family 19h, model 61h, stepping 2
inline constexpr UINT32 Descriptor[4] = {1, 0x57, 0x5B, 0x59};
inline constexpr UINT32 InfoByteRegister = 0x0005D8F4;
inline constexpr unsigned InfoByteLowBit = 1;
inline const std::vector<std::string> PresenceList(std::begin(kM70PresenceList), std::end(kM70PresenceList));
#elif SOC_VARIANT_m60
inline constexpr UINT32 OwnSignature = 0x00A60F12;    // family 19h, model 61h, stepping 2
inline constexpr UINT32 OtherSignature = 0x00A70F52;  // family 19h, model 75h, stepping 2
inline constexpr UINT32 Descriptor[4] = {1, 0x24, 0x28, 0x26};
inline constexpr UINT32 InfoByteRegister = 0x0005D584;
inline constexpr unsigned InfoByteLowBit = 19;
inline const std::vector<std::string> PresenceList(std::begin(kM60PresenceList), std::end(kM60PresenceList));
#endif

inline constexpr UINT32 Family17hModel71h = 0x00870F10;

}  // namespace expect
