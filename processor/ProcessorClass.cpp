// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
#include "arch/Arch.h"
#include "framework/Framework.h"
#include "processor/Processor.h"
#include "processor/Variant.h"

const PROCESSOR_CLASS_PROTOCOL gProcessorClassProtocol = {
    PROCESSOR_CLASS_PROTOCOL_REVISION,
    GetClassOfThisCore,
    GetClassOfSocket,
    GetCoreClassOfThisCore,
};

static UINT32 ThisCoreSignature() {
  UINT32 Eax = 0;
  ReadCpuid(CPUID_EXTENDED_SIGNATURE, &Eax, NULL, NULL, NULL);
  return Eax;
}

EFI_STATUS EFIAPI GetClassOfThisCore(const PROCESSOR_CLASS_PROTOCOL *This, PROCESSOR_CLASS_ID *ClassId) {
  if (ClassId == NULL) {
    return EFI_INVALID_PARAMETER;
  }
  return ClassOfSignature(ThisCoreSignature(), ClassId) ? EFI_SUCCESS : EFI_DEVICE_ERROR;
}

EFI_STATUS EFIAPI GetClassOfSocket(const PROCESSOR_CLASS_PROTOCOL *This, UINTN Socket, PROCESSOR_CLASS_ID *ClassId) {
  // Only socket 0 is served.
  if (ClassId == NULL || Socket != 0) {
    return EFI_INVALID_PARAMETER;
  }
  UINT32 Signature = 0;
  IndexedConfigRead(SOCKET_SIGNATURE_INDEX_REGISTER, &Signature);
  return ClassOfSignature(Signature, ClassId) ? EFI_SUCCESS : EFI_DEVICE_ERROR;
}

EFI_STATUS EFIAPI GetCoreClassOfThisCore(const PROCESSOR_CLASS_PROTOCOL *This, PROCESSOR_CLASS_ID *ClassId) {
  if (ClassId == NULL) {
    return EFI_INVALID_PARAMETER;
  }
  return CoreClassOfThisCore(ClassId) ? EFI_SUCCESS : EFI_DEVICE_ERROR;
}

VOID IndexedConfigRead(UINT32 IndexOffset, UINT32 *Value) {
  // Offsets are bounded in 64 bits so that an offset near 4 GiB cannot wrap back into
  // the window.
  const UINT64 Index = IndexOffset;
  const UINT64 Data = Index + 4;
  const BOOLEAN IndexInWindow = Index < ECAM_WINDOW_SIZE;
  UINT32 SavedIndex = 0;
  if (IndexInWindow) {
    SavedIndex = ArchMmioRead32(ECAM_BASE + Index);
    ArchMmioWrite32(ECAM_BASE + Index, SOCKET_SIGNATURE_INDEX);
  }
  *Value = Data < ECAM_WINDOW_SIZE ? ArchMmioRead32(ECAM_BASE + Data) : 0xFFFFFFFFU;
  // Put the shared index back so other users of the pair see what they left.
  if (IndexInWindow) {
    ArchMmioWrite32(ECAM_BASE + Index, SavedIndex);
  }
}
