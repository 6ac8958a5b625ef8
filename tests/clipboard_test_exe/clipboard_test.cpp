// A small console program that uses the Windows clipboard as other programs
// do, for the end-to-end test of the program's clipboard under Wine:
//   clipboard_test put FORMAT FILE   puts FILE's bytes on the clipboard as
//                                    FORMAT ("PNG" or "DIB") and ends
//   clipboard_test get FORMAT FILE   writes the clipboard's FORMAT to FILE
//                                    (a DIB as a whole BMP file); exit code 1
//                                    when the clipboard does not hold it
//   clipboard_test formats           prints the names of the formats held
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

UINT FormatOf(const char* name) {
    if (std::strcmp(name, "DIB") == 0) return CF_DIB;
    return RegisterClipboardFormatA(name);
}

bool OpenSoon() {
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (OpenClipboard(nullptr)) return true;
        Sleep(20);
    }
    std::fprintf(stderr, "cannot open the clipboard\n");
    return false;
}

bool ReadFile(const char* path, std::vector<char>& bytes) {
    std::FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(f);
    return true;
}

int Put(UINT format, const char* path) {
    std::vector<char> bytes;
    if (!ReadFile(path, bytes) || bytes.empty()) {
        std::fprintf(stderr, "cannot read %s\n", path);
        return 2;
    }
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    std::memcpy(GlobalLock(memory), bytes.data(), bytes.size());
    GlobalUnlock(memory);
    if (!OpenSoon()) return 2;
    EmptyClipboard();
    const bool put = SetClipboardData(format, memory) != nullptr;
    CloseClipboard();
    return put ? 0 : 2;
}

// A DIB's pixels follow its header, its masks and its palette.
unsigned long PixelOffset(const unsigned char* dib) {
    unsigned long header, colours, compression;
    unsigned short bits;
    std::memcpy(&header, dib, 4);
    std::memcpy(&bits, dib + 14, 2);
    std::memcpy(&compression, dib + 16, 4);
    std::memcpy(&colours, dib + 32, 4);
    if (colours == 0 && bits <= 8) colours = 1ul << bits;
    return header + (header == 40 && compression == 3 ? 12 : 0) + colours * 4;
}

int Get(UINT format, const char* path) {
    if (!OpenSoon()) return 2;
    HANDLE data = GetClipboardData(format);
    const unsigned char* bytes = data ? static_cast<const unsigned char*>(GlobalLock(data)) : nullptr;
    if (!bytes) {
        CloseClipboard();
        std::fprintf(stderr, "the clipboard does not hold that format\n");
        return 1;
    }
    const unsigned long size = static_cast<unsigned long>(GlobalSize(data));
    std::FILE* f = std::fopen(path, "wb");
    if (format == CF_DIB) {
        unsigned char file[14] = {'B', 'M'};
        const unsigned long total = size + 14, offset = PixelOffset(bytes) + 14;
        std::memcpy(file + 2, &total, 4);
        std::memcpy(file + 10, &offset, 4);
        std::fwrite(file, 1, sizeof file, f);
    }
    std::fwrite(bytes, 1, size, f);
    std::fclose(f);
    GlobalUnlock(data);
    CloseClipboard();
    return 0;
}

int Formats() {
    if (!OpenSoon()) return 2;
    for (UINT format = EnumClipboardFormats(0); format; format = EnumClipboardFormats(format)) {
        char name[256];
        if (format == CF_DIB)
            std::printf("DIB\n");
        else if (GetClipboardFormatNameA(format, name, sizeof name) > 0)
            std::printf("%s\n", name);
        else
            std::printf("%u\n", format);
    }
    CloseClipboard();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "formats") == 0) return Formats();
    if (argc == 4 && std::strcmp(argv[1], "put") == 0) return Put(FormatOf(argv[2]), argv[3]);
    if (argc == 4 && std::strcmp(argv[1], "get") == 0) return Get(FormatOf(argv[2]), argv[3]);
    std::fprintf(stderr, "usage: clipboard_test put|get FORMAT FILE, or clipboard_test formats\n");
    return 2;
}
