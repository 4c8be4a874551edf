#include "processor/RegularFile.h"

#if ! JUCE_WINDOWS
 #include <cerrno>
 #include <cstdio>
 #include <fcntl.h>
 #include <sys/stat.h>
 #include <unistd.h>
#endif

namespace RegularFile
{
   #if JUCE_WINDOWS
    // No FIFOs or device files to fear among ordinary paths here; the
    // framework's file calls do, and what they write is checked by the caller.
    bool exists (const juce::File& file)
    {
        return file.existsAsFile();
    }

    bool read (const juce::File& file, size_t maxBytes, juce::MemoryBlock& bytes)
    {
        if (! file.existsAsFile() || file.getSize() > (juce::int64) maxBytes)
            return false;

        juce::FileInputStream in (file);

        if (! in.openedOk())
            return false;

        juce::MemoryBlock data;
        in.readIntoMemoryBlock (data, (juce::ssize_t) maxBytes + 1);

        if (data.getSize() > maxBytes || in.getStatus().failed())
            return false;

        bytes = std::move (data);
        return true;
    }

    bool create (const juce::File& file, const void* data, size_t numBytes)
    {
        if (file.exists())
            return false;

        bool written = false;

        {
            juce::FileOutputStream out (file);

            if (out.failedToOpen())
                return false;

            written = out.write (data, numBytes);
            out.flush();
            written = written && out.getStatus().wasOk();
        }

        if (! written)
            file.deleteFile();

        return written;
    }

    bool replace (const juce::File& source, const juce::File& target)
    {
        return source.replaceFileIn (target);
    }
   #else
    namespace
    {
        const char* pathOf (const juce::File& file)
        {
            return file.getFullPathName().toRawUTF8();
        }

        bool writeAll (int fd, const char* data, size_t numBytes)
        {
            // A short count is not an error by itself: write on until every
            // byte is taken or the system says why not (a full disk, a
            // file-size limit).
            while (numBytes > 0)
            {
                const auto written = ::write (fd, data, numBytes);

                if (written < 0 && errno == EINTR)
                    continue;

                if (written <= 0)
                    return false;

                data += written;
                numBytes -= (size_t) written;
            }

            return true;
        }

        // Closes the descriptor however the scope is left.
        struct ScopedDescriptor
        {
            explicit ScopedDescriptor (int descriptor) : fd (descriptor) {}
            ~ScopedDescriptor() { if (fd >= 0) ::close (fd); }

            const int fd;

            JUCE_DECLARE_NON_COPYABLE (ScopedDescriptor)
        };

        // Reads until the end of the file or until the block is full.
        bool readAll (int fd, char* data, size_t capacity, size_t& numRead)
        {
            numRead = 0;

            while (numRead < capacity)
            {
                const auto got = ::read (fd, data + numRead, capacity - numRead);

                if (got < 0 && errno == EINTR)
                    continue;

                if (got < 0)
                    return false;

                if (got == 0)
                    break;

                numRead += (size_t) got;
            }

            return true;
        }
    }

    bool exists (const juce::File& file)
    {
        struct stat info;
        return ::stat (pathOf (file), &info) == 0 && S_ISREG (info.st_mode);
    }

    bool read (const juce::File& file, size_t maxBytes, juce::MemoryBlock& bytes)
    {
        // Non-blocking, so that opening a FIFO with no writer returns at once;
        // what was opened is then looked at, not the path, which may have
        // changed in between.
        const ScopedDescriptor descriptor (::open (pathOf (file), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        struct stat info;

        if (descriptor.fd < 0 || ::fstat (descriptor.fd, &info) != 0 || ! S_ISREG (info.st_mode)
            || info.st_size < 0 || (unsigned long long) info.st_size > maxBytes)
            return false;

        // One byte more than the size: a file that grows while it is read
        // fills it, and is refused rather than read in part.
        const auto capacity = (size_t) info.st_size + 1;
        juce::MemoryBlock data (capacity);
        size_t numRead = 0;

        if (! readAll (descriptor.fd, static_cast<char*> (data.getData()), capacity, numRead) || numRead == capacity)
            return false;

        data.setSize (numRead);
        bytes = std::move (data);
        return true;
    }

    bool create (const juce::File& file, const void* data, size_t numBytes)
    {
        const auto* path = pathOf (file);
        const auto fd = ::open (path, O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0644);

        if (fd < 0)
            return false;

        // fsync reports what the disk refused after write accepted it.
        auto ok = writeAll (fd, static_cast<const char*> (data), numBytes) && ::fsync (fd) == 0;
        ok = ::close (fd) == 0 && ok;

        if (! ok)
            ::unlink (path);

        return ok;
    }

    bool replace (const juce::File& source, const juce::File& target)
    {
        // rename itself, which swaps the entry in one step; the framework's
        // move would fall back to deleting the target and copying.
        return std::rename (pathOf (source), pathOf (target)) == 0;
    }
   #endif
}
