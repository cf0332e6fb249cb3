#pragma once

#include "uefi/UefiBaseType.h"
#include "uefi/UefiSpec.h"
#include "uefi/PiHob.h"
#include "uefi/PcdProtocol.h"
