// Copyright (c) 2026, SocDxePkg contributors.
// SPDX-License-Identifier: BSD-2-Clause-Patent
// Which image called: the application tells the drivers apart by where a call returns to.
#include "tests/uefi/Doubles.h"

namespace {

DRIVER_IMAGE *gTracked[16];
UINTN gTrackedCount;

}  // namespace

void TrackImage(DRIVER_IMAGE *Image) {
  if (gTrackedCount < sizeof(gTracked) / sizeof(gTracked[0])) {
    gTracked[gTrackedCount++] = Image;
  }
}

DRIVER_IMAGE *ImageAt(UINT64 Address) {
  for (UINTN Index = 0; Index < gTrackedCount; Index++) {
    if (InImage(*gTracked[Index], reinterpret_cast<const VOID *>(Address))) {
      return gTracked[Index];
    }
  }
  return NULL;
}

bool InImage(const DRIVER_IMAGE &Image, const VOID *Address) {
  const UINT64 A = reinterpret_cast<UINT64>(Address);
  return Image.ImageSize != 0 && A >= Image.ImageBase && A - Image.ImageBase < Image.ImageSize;
}

EFI_TPL CurrentTpl() {
  const EFI_TPL Tpl = gBS->RaiseTPL(TPL_HIGH_LEVEL);
  gBS->RestoreTPL(Tpl);
  return Tpl;
}

bool SameBytes(const UINT8 *A, const UINT8 *B, UINTN Size, UINTN *FirstDifference) {
  for (UINTN Index = 0; Index < Size; Index++) {
    if (A[Index] != B[Index]) {
      *FirstDifference = Index;
      return false;
    }
  }
  return true;
}
