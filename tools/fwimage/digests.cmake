# Writes FirmwareDigests.h beside the firmware images: the SHA-256 digest of each, which the
# program carries apart from the images and checks them against before one goes to the camera.
#   cmake -DFOLDER=<folder of firmware133.bin and firmware134.bin> -P digests.cmake
set(entries "")
foreach(id IN ITEMS 133 134)
    file(SHA256 "${FOLDER}/firmware${id}.bin" digest)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${digest}")
    string(APPEND entries "    {${id}, {${bytes}}},\n")
endforeach()
file(CONFIGURE OUTPUT "${FOLDER}/FirmwareDigests.h" @ONLY CONTENT [[
// Generated while building, from the firmware images: the SHA-256 digest of each.
#pragma once

struct FirmwareDigest {
    int resourceId;
    unsigned char sha256[32];
};

constexpr FirmwareDigest kFirmwareDigests[] = {
@entries@};
]])
