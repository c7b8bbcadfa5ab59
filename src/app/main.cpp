// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Quillmere developers

#include "mainwin/mainwin.h"
#include "platform/facility.h"

int main(int argc, char **argv)
{
    platform::InitFacility(argc, argv);
    mainwin::StartProgram();
    return platform::NormalEnd();
}
