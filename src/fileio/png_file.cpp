#include "fileio/png_file.h"

#include <png.h>

#include "fileio/file_problem.h"
#include "fileio/flat_image.h"
#include "fileio/png_rgba_rows.h"
#include "image/document.h"
#include "image/memory_guard.h"
#include "platform/log.h"

namespace {

// libpng reports errors by a long jump back to the setjmp of the function
// that owns its structures. Those functions keep nothing with a destructor
// in their own frame: the buffers belong to the caller.

void OnPngError(png_structp png, png_const_charp message) {
    LogLine("libpng: %s", message);
    // Reading stopped at the end of the file: it ends before the picture does.
    auto* file = static_cast<std::FILE*>(png_get_io_ptr(png));
    if (file && std::feof(file)) NoteFileProblem(FileProblem::kTruncated);
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

using DecodedRows = PngRgbaRows;

bool DecodePng(std::FILE* file, DecodedRows& out, int64_t maxPixels) {
    const int64_t fileBytes = BytesLeftInFile(file);
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_user_limits(png, kMaxDocumentSide, kMaxDocumentSide);
    png_init_io(png, file);
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (width < 1 || height < 1 || int64_t(width) * int64_t(height) > maxPixels) png_error(png, "image too large");
    if (fileBytes >= 0 && uint64_t(fileBytes) < LeastPngBytes(png, info))
        png_error(png, "file too short for its image size");
    // Besides the rows: the flat pixels and the document made from them.
    ReadPngRgbaRows(png, info, out, uint64_t(width) * height * sizeof(uint32_t) + NewDocumentBytes(width, height));
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

// Rows come from rows.row one at a time; a null row is a failed save.
bool EncodePng(std::FILE* file, const FlatRows& rows, std::vector<uint8_t>& row) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    const int colourType = rows.opaque ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGB_ALPHA;
    png_set_IHDR(png, info, png_uint_32(rows.width), png_uint_32(rows.height), 8, colourType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < rows.height; ++y) {
        const uint32_t* flat = rows.row(y);
        if (!flat) png_error(png, "the picture's rows could not be made");
        if (rows.opaque)
            FlatToRgbRow(flat, row.data(), rows.width);
        else
            FlatToRgbaRow(flat, row.data(), rows.width);
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool ReadPng(std::FILE* file, int& w, int& h, std::vector<uint32_t>& flat, int64_t maxPixels) {
    if (!file) return false;
    DecodedRows decoded;
    if (!DecodePng(file, decoded, maxPixels)) return false;
    const size_t pixels = size_t(decoded.width) * size_t(decoded.height);
    if (!Allocating([&flat, pixels] { flat.resize(pixels); })) return false;
    w = decoded.width;
    h = decoded.height;
    for (int y = 0; y < h; ++y) RgbaRowToFlat(decoded.rows[size_t(y)], flat.data() + size_t(y) * size_t(w), w);
    return true;
}

bool WritePng(std::FILE* file, int w, int h, const std::vector<uint32_t>& flat) {
    if (w < 1 || h < 1 || flat.size() != size_t(w) * size_t(h)) return false;
    return WritePngRows(file, RowsOfFlat(w, h, flat));
}

bool WritePngRows(std::FILE* file, const FlatRows& rows) {
    if (!file || rows.width < 1 || rows.height < 1 || !rows.row) return false;
    std::vector<uint8_t> row;
    if (!Allocating([&row, &rows] { row.resize(size_t(rows.width) * 4); })) return false;
    return EncodePng(file, rows, row);
}

bool SaveImage_PNG(Document& doc, const char* path) {
    LogLine("SaveImage_PNG()");
    return SaveFlatFile(doc, path, WritePngRows, true);
}

bool LoadImage_PNG(Document& doc, const char* path) {
    LogLine("LoadImage_PNG()");
    return LoadFlatFile(doc, path, ReadPng);
}
