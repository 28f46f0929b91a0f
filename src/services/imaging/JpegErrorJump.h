#pragma once

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

// A libjpeg error manager for code that guards its libjpeg calls with setjmp: an error
// formats its message into `message` and jumps back to `jump`; warnings are counted in
// pub.num_warnings and never printed.
struct JpegErrorJump
{
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];

    // Sets up `pub` and returns it, for cinfo.err.
    jpeg_error_mgr* install();
};
