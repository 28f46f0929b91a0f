#include "services/imaging/JpegErrorJump.h"

namespace {

void errorExit(j_common_ptr cinfo)
{
    auto* errors = reinterpret_cast<JpegErrorJump*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, errors->message);
    std::longjmp(errors->jump, 1);
}

void emitMessage(j_common_ptr cinfo, int level)
{
    if (level < 0)
        ++cinfo->err->num_warnings;
}

void outputMessage(j_common_ptr) {}

} // namespace

jpeg_error_mgr* JpegErrorJump::install()
{
    jpeg_std_error(&pub);
    pub.error_exit = errorExit;
    pub.emit_message = emitMessage;
    pub.output_message = outputMessage;
    return &pub;
}
