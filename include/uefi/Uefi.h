#pragma once

#include "uefi/UefiBaseType.h"
#include "uefi/UefiServices.h"
#include "uefi/PiHob.h"
#include "uefi/PcdProtocol.h"
