#pragma once

#include <juce_core/juce_core.h>

#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace testing_support
{
    // Everything directly in a folder, by the raw bytes of each entry's
    // name: a regular file's bytes, "-> target" for a link, "<fifo>",
    // "<folder>" or "<other>". Nothing is followed or opened but regular
    // files, so FIFOs and devices are safe to list; a file beyond 64 KiB is
    // told by its size alone.
    inline std::map<std::string, std::string> folderContents (const juce::File& folder)
    {
        std::map<std::string, std::string> contents;
        const std::string path = folder.getFullPathName().toStdString();

        DIR* dir = opendir (path.c_str());

        if (dir == nullptr)
            return contents;

        while (const auto* entry = readdir (dir))
        {
            const std::string name = entry->d_name;

            if (name == "." || name == "..")
                continue;

            const auto full = path + "/" + name;
            struct stat info;

            if (lstat (full.c_str(), &info) != 0)
                contents[name] = "<gone>";
            else if (S_ISLNK (info.st_mode))
            {
                char target[4096];
                const auto length = readlink (full.c_str(), target, sizeof (target));
                contents[name] = "-> " + std::string (target, length > 0 ? (size_t) length : 0);
            }
            else if (S_ISFIFO (info.st_mode))
                contents[name] = "<fifo>";
            else if (S_ISDIR (info.st_mode))
                contents[name] = "<folder>";
            else if (! S_ISREG (info.st_mode))
                contents[name] = "<other>";
            else if (info.st_size > 65536)
                contents[name] = "<" + std::to_string (info.st_size) + " bytes>";
            else
            {
                std::ifstream in (full, std::ios::binary);
                contents[name] = std::string (std::istreambuf_iterator<char> (in), {});
            }
        }

        closedir (dir);
        return contents;
    }

    // A file of the given size that takes no disk space (all of it a hole).
    inline bool makeSparseFile (const juce::File& file, off_t size)
    {
        const auto fd = open (file.getFullPathName().toRawUTF8(), O_WRONLY | O_CREAT | O_EXCL, 0644);

        if (fd < 0)
            return false;

        const bool sized = ftruncate (fd, size) == 0;
        return close (fd) == 0 && sized;
    }
}
