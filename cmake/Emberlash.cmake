# Sources of the plug-in's own code, shared by the plug-in and the test builds.
set(EMBERLASH_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/../processor/ProductInfo.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../processor/PresettableProcessor.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../processor/ApplicationDataFolder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../processor/StoredXml.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../processor/NumberText.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../processor/RegularFile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../processor/PresetStorage.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../processor/FactoryPresets.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../processor/ScopedSuspendProcessing.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../processor/BlockArrivals.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../processor/EmberLashAudioProcessor.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../editor/PanelText.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../editor/EmberLashGUI.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../editor/IconButton.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../editor/MenuBarLookAndFeel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../editor/DialogLookAndFeel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../editor/MenuBar.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../editor/EmberLashAudioProcessorEditor.cpp
)

find_package(PkgConfig REQUIRED)
# The Debian JUCE tree has its bundled codecs removed, so the modules that
# need them link the system's libraries instead.
pkg_check_modules(EMBERLASH_SYSLIBS REQUIRED IMPORTED_TARGET
    zlib libpng libjpeg flac vorbis vorbisenc vorbisfile ogg)

# Links the JUCE modules the plug-in uses, with the project's settings, to a target.
function(emberlash_use_juce target)
    target_compile_definitions(${target} PUBLIC
        JUCE_WEB_BROWSER=0
        JUCE_USE_CURL=0
        JUCE_VST3_CAN_REPLACE_VST2=0
        JUCE_LOG_ASSERTIONS=${EMBERLASH_LOG_ASSERTIONS}
        JUCE_STRICT_REFCOUNTEDPOINTER=1
        JUCE_SILENCE_XCODE_15_LINKER_WARNING=1)
    target_link_libraries(${target}
        PRIVATE
            juce::juce_audio_processors
            juce::juce_audio_basics
            juce::juce_audio_formats
            juce::juce_dsp
            juce::juce_gui_basics
            juce::juce_graphics
            juce::juce_data_structures
            juce::juce_events
            juce::juce_core
            PkgConfig::EMBERLASH_SYSLIBS
        PUBLIC
            juce::juce_recommended_config_flags
            juce::juce_recommended_warning_flags)
endfunction()

# A static library of the plug-in's code and the JUCE modules, for test programs.
# Everything it compiles is visible to whoever links it.
function(emberlash_add_core_library name)
    cmake_parse_arguments(ARG "VST3_HOSTING" "" "" ${ARGN})
    add_library(${name} STATIC ${EMBERLASH_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    emberlash_use_juce(${name})
    target_compile_definitions(${name} PUBLIC
        JUCE_STANDALONE_APPLICATION=0
        JUCE_PLUGINHOST_VST3=$<BOOL:${ARG_VST3_HOSTING}>
        JUCE_MODAL_LOOPS_PERMITTED=1)
    # Consumers compile against the same module headers and settings.
    target_include_directories(${name} INTERFACE
        $<TARGET_PROPERTY:${name},INCLUDE_DIRECTORIES>)
    target_compile_definitions(${name} INTERFACE
        $<TARGET_PROPERTY:${name},COMPILE_DEFINITIONS>)
    target_link_libraries(${name} INTERFACE PkgConfig::EMBERLASH_SYSLIBS)
    set_target_properties(${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
endfunction()

# Links the counter of heap and mutex calls (tests/AllocationCounter.cpp) into
# a test program. The malloc family and the mutex calls of the program's own
# objects, the framework's included, reach it through link-time wraps.
function(emberlash_count_allocations target)
    target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests/AllocationCounter.cpp)
    set(wrapped malloc calloc realloc free aligned_alloc posix_memalign memalign
                pthread_mutex_lock pthread_mutex_trylock)
    list(TRANSFORM wrapped PREPEND "LINKER:--wrap=")
    target_link_options(${target} PRIVATE ${wrapped})
endfunction()
