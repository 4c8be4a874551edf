#include "processor/PresetStorage.h"

#include "processor/ApplicationDataFolder.h"
#include "processor/RegularFile.h"
#include "processor/StoredXml.h"

#include <map>
#include <set>

namespace
{
    bool hasPresetExtension (const juce::String& fileName)
    {
       #if JUCE_WINDOWS
        // Its file names ignore case, so "Lead.XML" is reached as Lead.xml.
        return fileName.endsWithIgnoreCase (".xml");
       #else
        // "Lead.XML" is another file than Lead.xml, which is what the name
        // Lead leads to: listing it would show a preset that saving under
        // its name could not replace.
        return fileName.endsWith (".xml");
       #endif
    }

    juce::String listedNameOf (const juce::String& fileName)
    {
        const auto dot = fileName.lastIndexOfChar ('.');
        return dot > 0 ? fileName.substring (0, dot) : fileName;
    }

    // The presets in the folder by listed name: every regular file (after
    // following links) with the preset extension; a FIFO, a device or a
    // folder is no preset. A name that two files give (".xml" and
    // ".xml.xml") is left out, so that each name leads to exactly one file.
    std::map<juce::String, juce::File> presetFilesIn (const juce::File& folder)
    {
        std::map<juce::String, juce::File> files;

        if (! folder.isDirectory())
            return files;

        std::set<juce::String> ambiguous;

        for (const auto& file : folder.findChildFiles (juce::File::findFiles, false, "*.xml"))
        {
            const auto fileName = file.getFileName();

            if (! hasPresetExtension (fileName) || ! RegularFile::exists (file))
                continue;

            if (! files.emplace (listedNameOf (fileName), file).second)
                ambiguous.insert (listedNameOf (fileName));
        }

        for (const auto& name : ambiguous)
            files.erase (name);

        return files;
    }

    // A name that no preset file matches ("*.xml"), so that one left behind
    // by a crash is never listed, and short, so that a target name of up to
    // the file system's limit can still be written.
    juce::File temporaryFileIn (const juce::File& folder)
    {
        return folder.getChildFile (".saving-" + juce::String::toHexString (juce::Random().nextInt64()) + ".tmp");
    }
}

juce::File PresetStorage::getVersionFolder() const
{
    return getApplicationDataFolder().getChildFile (productInfo.companyFolder)
                                     .getChildFile (productInfo.name)
                                     .getChildFile ("version_" + productInfo.version);
}

juce::File PresetStorage::getPresetsFolder() const
{
    return getVersionFolder().getChildFile ("Presets");
}

juce::String PresetStorage::sanitisePresetName (const juce::String& name)
{
    // Only these characters reach a file name, so no name can leave the
    // presets folder or carry a separator, a dot or a control character.
    const auto cleaned = name.trim().retainCharacters ("abcdefghijklmnopqrstuvwxyz"
                                                       "ABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                                       "0123456789 _-");
    return cleaned.isEmpty() ? juce::String ("Preset") : cleaned;
}

juce::File PresetStorage::getPresetFile (const juce::String& name) const
{
    return getPresetsFolder().getChildFile (sanitisePresetName (name) + ".xml");
}

juce::File PresetStorage::findListedFile (const juce::String& name) const
{
    const auto files = presetFilesIn (getPresetsFolder());
    const auto found = files.find (name);
    return found != files.end() ? found->second : juce::File();
}

juce::StringArray PresetStorage::listPresetNames() const
{
    juce::StringArray names;

    for (const auto& [name, file] : presetFilesIn (getPresetsFolder()))
        names.add (name);

    names.sort (true);
    return names;
}

bool PresetStorage::savePresetFile (const juce::String& name, const juce::ValueTree& tree) const
{
    const auto folder = getPresetsFolder();
    folder.createDirectory();

    const auto xml = tree.createXml();

    if (xml == nullptr)
        return false;

    // A listed preset of this very name is replaced in its own file.
    auto target = findListedFile (name);

    if (target == juce::File())
        target = getPresetFile (name);

    juce::MemoryOutputStream text;
    xml->writeTo (text);

    // The document goes to a file of its own first and takes the target's
    // place only once every byte of it is known to be on the disk, so a full
    // disk or a crash leaves an existing preset as it was.
    const auto temporary = temporaryFileIn (folder);

    if (! RegularFile::create (temporary, text.getData(), text.getDataSize()))
        return false;

    juce::MemoryBlock written;

    if (RegularFile::read (temporary, maxPresetFileBytes, written)
        && written.matches (text.getData(), text.getDataSize())
        && RegularFile::replace (temporary, target))
        return true;

    temporary.deleteFile();
    return false;
}

bool PresetStorage::loadPresetFile (const juce::String& name, juce::ValueTree& tree) const
{
    const auto file = findListedFile (name);
    juce::MemoryBlock bytes;

    if (file == juce::File() || ! RegularFile::read (file, maxPresetFileBytes, bytes))
        return false;

    // Parsed from memory: the text is checked first, and a document in a
    // preset file never pulls in other files.
    const auto element = StoredXml::parse (static_cast<const char*> (bytes.getData()), bytes.getSize());

    if (element == nullptr)
        return false;

    auto loaded = juce::ValueTree::fromXml (*element);

    if (! loaded.isValid())
        return false;

    tree = loaded;
    return true;
}

bool PresetStorage::deletePresetFile (const juce::String& name) const
{
    const auto file = findListedFile (name);
    return file != juce::File() && file.deleteFile();
}

bool PresetStorage::renamePresetFile (const juce::String& oldName, const juce::String& newName) const
{
    const auto source = findListedFile (oldName);
    const auto target = getPresetFile (newName);

    // The new name is taken when a preset is listed under it or its file
    // exists in any form; the framework's move would delete what is there.
    if (source == juce::File() || newName.trim().isEmpty() || target.exists()
        || findListedFile (newName) != juce::File())
        return false;

    return source.moveFileTo (target);
}
