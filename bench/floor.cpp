// bench_floor: the least any loader of a data file has to do -- read the whole file into memory
// with one read and find its lines (count the CR LF line ends) -- timed, as the floor against
// which scripts/bench puts the table load.
//
//   bench_floor FILE [REPETITIONS]      (default 5, after one warm-up repetition that is not counted)
//
// Each repetition allocates a fresh buffer (its pages are faulted in, as a loader's would be),
// reads the file into it and counts, twice: with the buffer Tessel's reader uses
// (scl::big_buffer_allocate: huge pages where the system has them) -- the floor -- and with a plain
// malloc buffer, for comparison. Prints one JSON object:
//   {"file_bytes": B, "line_ends": N, "floor_ms": [...], "floor_malloc_ms": [...]}
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/arena.h"

namespace
{

void Free(char* buffer, size_t bytes, bool plainMalloc)
{
    if (plainMalloc)
        std::free(buffer);
    else
        scl::big_buffer_free(buffer, bytes);
}

// Reads the whole file into a new buffer and returns the number of CR LF pairs (UTF-16LE units
// 0x000D 0x000A) after the byte-order mark; -1 when the file cannot be read.
long long ReadAndCount(const char* path, long long& bytes, bool plainMalloc)
{
    const int fd = ::open(path, O_RDONLY);
    if (fd < 0)
        return -1;
    struct stat st;
    if (::fstat(fd, &st) != 0)
    {
        ::close(fd);
        return -1;
    }
    bytes = st.st_size;
    const size_t size = static_cast<size_t>(st.st_size);
    char* buffer =
        static_cast<char*>(plainMalloc ? std::malloc(size + 2) : scl::big_buffer_allocate(size + 2));
    if (buffer == nullptr)
    {
        ::close(fd);
        return -1;
    }
    size_t got = 0;
    while (got < size)
    {
        const ssize_t n = ::read(fd, buffer + got, size - got);
        if (n <= 0)
            break;
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    if (got != size)
    {
        Free(buffer, size + 2, plainMalloc);
        return -1;
    }

    // UTF-16 little-endian units in machine order (little-endian, as everywhere in Tessel); the
    // count starts after the mark.
    const size_t units = got / 2;
    const char16_t* u = reinterpret_cast<const char16_t*>(buffer);
    long long count = 0;
    for (size_t i = 1; i + 1 < units; ++i)
        count += (u[i] == u'\r') & (u[i + 1] == u'\n');
    Free(buffer, size + 2, plainMalloc);
    return count;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3)
    {
        std::fprintf(stderr, "Usage: bench_floor FILE [REPETITIONS]\n");
        return 2;
    }
    const int repetitions = argc == 3 ? std::atoi(argv[2]) : 5;
    if (repetitions < 1)
    {
        std::fprintf(stderr, "bench_floor: '%s' is not a repetition count\n", argv[2]);
        return 2;
    }
    long long bytes = 0;
    long long lines = 0;
    std::string times[2];
    for (int r = -1; r < repetitions; ++r) // -1: the warm-up
    {
        for (int plain = 0; plain < 2; ++plain)
        {
            const auto start = std::chrono::steady_clock::now();
            lines = ReadAndCount(argv[1], bytes, plain != 0);
            const auto stop = std::chrono::steady_clock::now();
            if (lines < 0)
            {
                std::fprintf(stderr, "bench_floor: cannot read %s\n", argv[1]);
                return 1;
            }
            if (r < 0)
                continue;
            char t[32];
            std::snprintf(t, sizeof(t), "%s%.3f", r ? ", " : "",
                          std::chrono::duration<double, std::milli>(stop - start).count());
            times[plain] += t;
        }
    }
    std::printf(
        "{\"file_bytes\": %lld, \"line_ends\": %lld, \"floor_ms\": [%s], \"floor_malloc_ms\": [%s]}\n", bytes,
        lines, times[0].c_str(), times[1].c_str());
    return 0;
}
