#include "fileio/jpeg_file.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>

#include <jerror.h>
#include <jpeglib.h>

#include "fileio/file_problem.h"
#include "fileio/flat_image.h"
#include "image/document.h"
#include "image/memory_guard.h"
#include "platform/log.h"

namespace {

// The library's fatal errors would end the process; this manager jumps back
// to the setjmp of the function that owns the library's structures instead.
// Those functions keep nothing with a destructor in their own frame: the
// buffers belong to the caller.
struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    void (*emitDefault)(j_common_ptr, int) = nullptr;
    bool truncated = false;
    bool damaged = false;
};

JpegErrors& ErrorsOf(j_common_ptr info) { return *reinterpret_cast<JpegErrors*>(info->err); }

// Kinds of JPEG this build of the library does not decode (12-bit samples,
// the lossless and hierarchical processes), as against damaged files.
bool UnsupportedKind(int code) {
    return code == JERR_BAD_PRECISION || code == JERR_SOF_UNSUPPORTED || code == JERR_ARITH_NOTIMPL ||
           code == JERR_NOT_COMPILED || code == JERR_CONVERSION_NOTIMPL;
}

void OnJpegError(j_common_ptr info) {
    char message[JMSG_LENGTH_MAX];
    info->err->format_message(info, message);
    LogLine("libjpeg: %s", message);
    if (UnsupportedKind(info->err->msg_code)) NoteFileProblem(FileProblem::kUnsupportedJpeg);
    std::longjmp(ErrorsOf(info).jump, 1);
}

void OnJpegMessage(j_common_ptr info) {
    char message[JMSG_LENGTH_MAX];
    info->err->format_message(info, message);
    LogLine("libjpeg: %s", message);
}

// The library pads a file that ends early with grey and calls it a warning;
// here that is a failed load. Its other warnings are about corrupt data it
// decoded around (a block lost or garbled): the picture shows, with parts
// missing, and the caller must know.
void OnJpegEmit(j_common_ptr info, int level) {
    JpegErrors& errors = ErrorsOf(info);
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF)
        errors.truncated = true;
    else if (level < 0)
        errors.damaged = true;
    errors.emitDefault(info, level);
}

void InstallErrors(JpegErrors& errors) {
    jpeg_std_error(&errors.manager);
    errors.manager.error_exit = OnJpegError;
    errors.manager.output_message = OnJpegMessage;
    errors.emitDefault = errors.manager.emit_message;
    errors.manager.emit_message = OnJpegEmit;
}

struct DecodedRows {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bytes;  // height rows of width x RGB
    std::vector<uint8_t> inks;   // one row of width x CMYK, for print files
    bool damaged = false;
};

// Every 8 x 8 block of a Huffman-coded component takes at least one bit, so
// a file shorter than its least sampled component's blocks over eight cannot
// hold its image: refused before the rows are allocated. Arithmetic coding
// has no such floor.
uint64_t LeastJpegBytes(const jpeg_decompress_struct& info) {
    if (info.arith_code || info.num_components < 1 || info.max_h_samp_factor < 1 || info.max_v_samp_factor < 1)
        return 0;
    uint64_t fewest = UINT64_MAX;
    for (int c = 0; c < info.num_components; ++c) {
        const jpeg_component_info& component = info.comp_info[c];
        const uint64_t w = (uint64_t(info.image_width) * component.h_samp_factor + info.max_h_samp_factor - 1) /
                           info.max_h_samp_factor;
        const uint64_t h = (uint64_t(info.image_height) * component.v_samp_factor + info.max_v_samp_factor - 1) /
                           info.max_v_samp_factor;
        fewest = std::min(fewest, ((w + 7) / 8) * ((h + 7) / 8));
    }
    return fewest / 8;
}

// Print tools write CMYK, or YCCK that the library turns into CMYK; the
// library gives no RGB for either. Adobe's files (the common kind, marked by
// their Adobe segment) store every ink inverted, 255 meaning none.
bool PrintColours(const jpeg_decompress_struct& info) {
    return info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
}

void CmykRowToRgb(const uint8_t* cmyk, uint8_t* rgb, int w, bool inverted) {
    for (int x = 0; x < w; ++x, cmyk += 4, rgb += 3) {
        const int k = inverted ? cmyk[3] : 255 - cmyk[3];
        for (int c = 0; c < 3; ++c) {
            const int left = inverted ? cmyk[c] : 255 - cmyk[c];  // the share of light the ink lets through
            rgb[c] = uint8_t((left * k + 127) / 255);
        }
    }
}

bool DecodeJpeg(std::FILE* file, DecodedRows& out, int64_t maxPixels) {
    const int64_t fileBytes = BytesLeftInFile(file);
    jpeg_decompress_struct info = {};
    JpegErrors errors;
    InstallErrors(errors);
    info.err = &errors.manager;
    if (setjmp(errors.jump)) {
        if (errors.truncated) NoteFileProblem(FileProblem::kTruncated);
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, file);
    jpeg_read_header(&info, TRUE);
    const int64_t width = info.image_width;
    const int64_t height = info.image_height;
    if (width < 1 || height < 1 || width > kMaxDocumentSide || height > kMaxDocumentSide ||
        width * height > maxPixels) {
        LogLine("LoadImage_JPEG: image too large");
        jpeg_destroy_decompress(&info);
        return false;
    }
    if (fileBytes >= 0 && uint64_t(fileBytes) < LeastJpegBytes(info)) {
        LogLine("LoadImage_JPEG: file too short for its image size");
        jpeg_destroy_decompress(&info);
        return false;
    }
    // The decoded rows, the flat pixels and the document made from them; a
    // progressive file also keeps every coefficient until its last scan.
    const uint64_t coefficients = info.progressive_mode ? uint64_t(width * height) * 2 * info.num_components : 0;
    if (!MemoryFor(uint64_t(width * height) * (3 + sizeof(uint32_t)) + uint64_t(width) * 4 + coefficients + NewDocumentBytes(width, height))) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    const bool print = PrintColours(info);
    info.out_color_space = print ? JCS_CMYK : JCS_RGB;
    jpeg_start_decompress(&info);
    if (info.output_components != (print ? 4 : 3) || info.output_width != info.image_width ||
        info.output_height != info.image_height) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    if (!Allocating([&out, width, height] { out.bytes.resize(size_t(width) * size_t(height) * 3); })) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    out.width = int(width);
    out.height = int(height);
    if (print && !Allocating([&out, width] { out.inks.resize(size_t(width) * 4); })) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    while (info.output_scanline < info.output_height) {
        uint8_t* rgb = out.bytes.data() + size_t(info.output_scanline) * size_t(width) * 3;
        JSAMPROW row = print ? out.inks.data() : rgb;
        if (jpeg_read_scanlines(&info, &row, 1) != 1) break;
        if (print) CmykRowToRgb(row, rgb, int(width), info.saw_Adobe_marker);
    }
    const bool complete = info.output_scanline == info.output_height;
    if (complete) jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    out.damaged = errors.damaged;
    if (errors.truncated) NoteFileProblem(FileProblem::kTruncated);
    return complete && !errors.truncated;
}

// Rows come from rows.row one at a time; a null row is a failed save.
bool EncodeJpeg(std::FILE* file, const FlatRows& rows, std::vector<uint8_t>& row) {
    jpeg_compress_struct info = {};
    JpegErrors errors;
    InstallErrors(errors);
    info.err = &errors.manager;
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = JDIMENSION(rows.width);
    info.image_height = JDIMENSION(rows.height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, kJpegQuality, TRUE);
    info.comp_info[0].h_samp_factor = 1;
    info.comp_info[0].v_samp_factor = 1;
    jpeg_start_compress(&info, TRUE);
    for (int y = 0; y < rows.height; ++y) {
        const uint32_t* flat = rows.row(y);
        if (!flat) {
            jpeg_destroy_compress(&info);
            return false;
        }
        FlatToRgbRow(flat, row.data(), rows.width);
        JSAMPROW one[1] = {row.data()};
        jpeg_write_scanlines(&info, one, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

}  // namespace

bool ReadJpeg(std::FILE* file, int& w, int& h, std::vector<uint32_t>& flat, int64_t maxPixels, bool* damaged) {
    if (!file) return false;
    DecodedRows decoded;
    if (!DecodeJpeg(file, decoded, maxPixels)) return false;
    if (damaged) *damaged = decoded.damaged;
    if (!Allocating([&flat, &decoded] { flat.resize(size_t(decoded.width) * size_t(decoded.height)); }))
        return false;
    w = decoded.width;
    h = decoded.height;
    for (int y = 0; y < h; ++y) {
        const size_t at = size_t(y) * size_t(w);
        RgbRowToFlat(decoded.bytes.data() + at * 3, flat.data() + at, w);
    }
    return true;
}

bool WriteJpeg(std::FILE* file, int w, int h, const std::vector<uint32_t>& flat) {
    if (w < 1 || h < 1 || flat.size() != size_t(w) * size_t(h)) return false;
    return WriteJpegRows(file, RowsOfFlat(w, h, flat));
}

bool WriteJpegRows(std::FILE* file, const FlatRows& rows) {
    if (!file || rows.width < 1 || rows.height < 1 || !rows.row) return false;
    std::vector<uint8_t> row;
    if (!Allocating([&row, &rows] { row.resize(size_t(rows.width) * 3); })) return false;
    return EncodeJpeg(file, rows, row);
}

bool SaveImage_JPEG(Document& doc, const char* path) {
    LogLine("SaveImage_JPEG()");
    return SaveFlatFile(doc, path, WriteJpegRows, false);
}

bool LoadImage_JPEG(Document& doc, const char* path) {
    LogLine("LoadImage_JPEG()");
    bool damaged = false;
    const FlatReader read = [&damaged](std::FILE* file, int& w, int& h, std::vector<uint32_t>& flat,
                                       int64_t maxPixels) { return ReadJpeg(file, w, h, flat, maxPixels, &damaged); };
    if (!LoadFlatFile(doc, path, read)) return false;
    doc.damagedFile = damaged;
    return true;
}
