#pragma once

// The VST 2.4 binary interface between a host and a plug-in module: the plug-in record, the
// request and callback numbers, and the structs passed through them. Everything here is plain C
// data so that both sides (the plug-in bases in this folder and the command-line host in tools/)
// share one definition. Field names and numbers follow the published interface, because hosts
// and plug-ins built elsewhere rely on them byte for byte; the static_asserts below pin the
// layout for x86-64 Linux, the platform this program ships on.

#include <cstddef>
#include <cstdint>
#include <cstring>

typedef int16_t VstInt16;
typedef int32_t VstInt32;
typedef int64_t VstInt64;
typedef intptr_t VstIntPtr;

// Four characters packed big-endian into a 32-bit number, as the interface writes identifiers.
constexpr VstInt32 vstFourCC(char a, char b, char c, char d) {
    return static_cast<VstInt32>((static_cast<uint32_t>(static_cast<unsigned char>(a)) << 24) |
                                 (static_cast<uint32_t>(static_cast<unsigned char>(b)) << 16) |
                                 (static_cast<uint32_t>(static_cast<unsigned char>(c)) << 8) |
                                 static_cast<uint32_t>(static_cast<unsigned char>(d)));
}

constexpr VstInt32 kEffectMagic = vstFourCC('V', 's', 't', 'P');
constexpr VstInt32 kVstVersion = 2400;

struct AEffect;

extern "C" {
typedef VstIntPtr (*audioMasterCallback)(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                         VstIntPtr value, void* ptr, float opt);
typedef VstIntPtr (*AEffectDispatcherProc)(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                           VstIntPtr value, void* ptr, float opt);
typedef void (*AEffectProcessProc)(AEffect* effect, float** inputs, float** outputs,
                                   VstInt32 sampleFrames);
typedef void (*AEffectProcessDoubleProc)(AEffect* effect, double** inputs, double** outputs,
                                         VstInt32 sampleFrames);
typedef void (*AEffectSetParameterProc)(AEffect* effect, VstInt32 index, float parameter);
typedef float (*AEffectGetParameterProc)(AEffect* effect, VstInt32 index);

// The entry point a plug-in module exports as VSTPluginMain (and, for old hosts, as main).
typedef AEffect* (*VstPluginMainProc)(audioMasterCallback host);
}

// The plug-in record: the only object a host sees. The host may use resvd1 and resvd2 for its
// own bookkeeping; the plug-in leaves them at 0.
struct AEffect {
    VstInt32 magic;
    AEffectDispatcherProc dispatcher;
    AEffectProcessProc process; // the old accumulating call, no longer used
    AEffectSetParameterProc setParameter;
    AEffectGetParameterProc getParameter;
    VstInt32 numPrograms;
    VstInt32 numParams;
    VstInt32 numInputs;
    VstInt32 numOutputs;
    VstInt32 flags;
    VstIntPtr resvd1;
    VstIntPtr resvd2;
    VstInt32 initialDelay;
    VstInt32 realQualities; // unused
    VstInt32 offQualities;  // unused
    float ioRatio;          // unused
    void* object;           // the plug-in's own instance
    void* user;
    VstInt32 uniqueID;
    VstInt32 version;
    AEffectProcessProc processReplacing;
    AEffectProcessDoubleProc processDoubleReplacing;
    char future[56];
};

enum VstAEffectFlags {
    effFlagsHasEditor = 1 << 0,
    effFlagsHasClip = 1 << 1, // unused
    effFlagsHasVu = 1 << 2,   // unused
    effFlagsCanMono = 1 << 3, // unused
    effFlagsCanReplacing = 1 << 4,
    effFlagsProgramChunks = 1 << 5,
    effFlagsIsSynth = 1 << 8,
    effFlagsNoSoundInStop = 1 << 9,
    effFlagsExtIsAsync = 1 << 10,   // unused
    effFlagsExtHasBuffer = 1 << 11, // unused
    effFlagsCanDoubleReplacing = 1 << 12,
};

// Host to plug-in requests (the dispatcher's opcode). Those marked unused are no longer sent by
// hosts of this version; plug-ins answer them with 0.
enum AEffectOpcodes {
    effOpen = 0,
    effClose = 1,
    effSetProgram = 2,
    effGetProgram = 3,
    effSetProgramName = 4,
    effGetProgramName = 5,
    effGetParamLabel = 6,
    effGetParamDisplay = 7,
    effGetParamName = 8,
    effGetVu = 9, // unused
    effSetSampleRate = 10,
    effSetBlockSize = 11,
    effMainsChanged = 12,
    effEditGetRect = 13,
    effEditOpen = 14,
    effEditClose = 15,
    effEditDraw = 16,  // unused
    effEditMouse = 17, // unused
    effEditKey = 18,   // unused
    effEditIdle = 19,
    effEditTop = 20,   // unused
    effEditSleep = 21, // unused
    effIdentify = 22,  // unused, yet still answered with 'NvEf'
    effGetChunk = 23,
    effSetChunk = 24,
    effProcessEvents = 25,
    effCanBeAutomated = 26,
    effString2Parameter = 27,
    effGetNumProgramCategories = 28, // unused
    effGetProgramNameIndexed = 29,
    effCopyProgram = 30,   // unused
    effConnectInput = 31,  // unused
    effConnectOutput = 32, // unused
    effGetInputProperties = 33,
    effGetOutputProperties = 34,
    effGetPlugCategory = 35,
    effGetCurrentPosition = 36,   // unused
    effGetDestinationBuffer = 37, // unused
    effOfflineNotify = 38,
    effOfflinePrepare = 39,
    effOfflineRun = 40,
    effProcessVarIo = 41,
    effSetSpeakerArrangement = 42,
    effSetBlockSizeAndSampleRate = 43, // unused
    effSetBypass = 44,
    effGetEffectName = 45,
    effGetErrorText = 46, // unused
    effGetVendorString = 47,
    effGetProductString = 48,
    effGetVendorVersion = 49,
    effVendorSpecific = 50,
    effCanDo = 51,
    effGetTailSize = 52,
    effIdle = 53,            // unused
    effGetIcon = 54,         // unused
    effSetViewPosition = 55, // unused
    effGetParameterProperties = 56,
    effKeysRequired = 57, // unused
    effGetVstVersion = 58,
    effEditKeyDown = 59,
    effEditKeyUp = 60,
    effSetEditKnobMode = 61,
    effGetMidiProgramName = 62,
    effGetCurrentMidiProgram = 63,
    effGetMidiProgramCategory = 64,
    effHasMidiProgramsChanged = 65,
    effGetMidiKeyName = 66,
    effBeginSetProgram = 67,
    effEndSetProgram = 68,
    effGetSpeakerArrangement = 69,
    effShellGetNextPlugin = 70,
    effStartProcess = 71,
    effStopProcess = 72,
    effSetTotalSampleToProcess = 73,
    effSetPanLaw = 74,
    effBeginLoadBank = 75,
    effBeginLoadProgram = 76,
    effSetProcessPrecision = 77,
    effGetNumMidiInputChannels = 78,
    effGetNumMidiOutputChannels = 79,
};

// Plug-in to host callbacks (the audioMasterCallback's opcode).
enum AudioMasterOpcodes {
    audioMasterAutomate = 0,
    audioMasterVersion = 1,
    audioMasterCurrentId = 2,
    audioMasterIdle = 3,
    audioMasterPinConnected = 4, // unused by new hosts, still asked on resume
    audioMasterWantMidi = 6,     // unused by new hosts, still sent on resume
    audioMasterGetTime = 7,
    audioMasterProcessEvents = 8,
    audioMasterSetTime = 9,                      // unused
    audioMasterTempoAt = 10,                     // unused
    audioMasterGetNumAutomatableParameters = 11, // unused
    audioMasterGetParameterQuantization = 12,    // unused
    audioMasterIOChanged = 13,
    audioMasterNeedIdle = 14, // unused
    audioMasterSizeWindow = 15,
    audioMasterGetSampleRate = 16,
    audioMasterGetBlockSize = 17,
    audioMasterGetInputLatency = 18,
    audioMasterGetOutputLatency = 19,
    audioMasterGetPreviousPlug = 20,         // unused
    audioMasterGetNextPlug = 21,             // unused
    audioMasterWillReplaceOrAccumulate = 22, // unused
    audioMasterGetCurrentProcessLevel = 23,
    audioMasterGetAutomationState = 24,
    audioMasterOfflineStart = 25,
    audioMasterOfflineRead = 26,
    audioMasterOfflineWrite = 27,
    audioMasterOfflineGetCurrentPass = 28,
    audioMasterOfflineGetCurrentMetaPass = 29,
    audioMasterSetOutputSampleRate = 30,         // unused
    audioMasterGetOutputSpeakerArrangement = 31, // unused
    audioMasterGetVendorString = 32,
    audioMasterGetProductString = 33,
    audioMasterGetVendorVersion = 34,
    audioMasterVendorSpecific = 35,
    audioMasterSetIcon = 36, // unused
    audioMasterCanDo = 37,
    audioMasterGetLanguage = 38,
    audioMasterOpenWindow = 39,  // unused
    audioMasterCloseWindow = 40, // unused
    audioMasterGetDirectory = 41,
    audioMasterUpdateDisplay = 42,
    audioMasterBeginEdit = 43,
    audioMasterEndEdit = 44,
    audioMasterOpenFileSelector = 45,
    audioMasterCloseFileSelector = 46,
    audioMasterEditFile = 47,                   // unused
    audioMasterGetChunkFile = 48,               // unused
    audioMasterGetInputSpeakerArrangement = 49, // unused
};

// Text limits, in characters not counting the terminator.
enum VstStringConstants {
    kVstMaxProgNameLen = 24,
    kVstMaxParamStrLen = 8,
    kVstMaxVendorStrLen = 64,
    kVstMaxProductStrLen = 64,
    kVstMaxEffectNameLen = 32,
    kVstMaxNameLen = 64,
    kVstMaxLabelLen = 64,
    kVstMaxShortLabelLen = 8,
    kVstMaxCategLabelLen = 24,
    kVstMaxFileNameLen = 100,
};

// The editor rectangle, in pixels.
struct ERect {
    VstInt16 top;
    VstInt16 left;
    VstInt16 bottom;
    VstInt16 right;
};

// ---- Events ----

enum VstEventTypes {
    kVstMidiType = 1,
    kVstAudioType = 2,     // unused
    kVstVideoType = 3,     // unused
    kVstParameterType = 4, // unused
    kVstTriggerType = 5,   // unused
    kVstSysExType = 6,
};

struct VstEvent {
    VstInt32 type;
    VstInt32 byteSize; // of the event past these first two fields
    VstInt32 deltaFrames;
    VstInt32 flags;
    char data[16];
};

// A list of events for one block; the host allocates it with room for numEvents pointers.
struct VstEvents {
    VstInt32 numEvents;
    VstIntPtr reserved;
    VstEvent* events[2];
};

// Event i of a list. The list is longer than the two pointers its struct declares, so indexing
// events[i] past 1 would step outside the declared array (undefined behaviour, which the
// sanitizers report); both sides address the pointers through the list's own storage instead.
inline VstEvent* vstEventAt(const VstEvents* list, VstInt32 i) {
    VstEvent* event;
    std::memcpy(&event,
                reinterpret_cast<const char*>(list) + offsetof(VstEvents, events) +
                    sizeof(VstEvent*) * static_cast<size_t>(i),
                sizeof event);
    return event;
}
inline void vstSetEventAt(VstEvents* list, VstInt32 i, VstEvent* event) {
    std::memcpy(reinterpret_cast<char*>(list) + offsetof(VstEvents, events) +
                    sizeof(VstEvent*) * static_cast<size_t>(i),
                &event, sizeof event);
}
// Bytes a host allocates for a list of count events.
constexpr size_t vstEventsSize(VstInt32 count) {
    return offsetof(VstEvents, events) +
           sizeof(VstEvent*) * static_cast<size_t>(count > 2 ? count : 2);
}

enum VstMidiEventFlags {
    kVstMidiEventIsRealtime = 1 << 0,
};

struct VstMidiEvent {
    VstInt32 type; // kVstMidiType
    VstInt32 byteSize;
    VstInt32 deltaFrames; // frames from the start of the block
    VstInt32 flags;
    VstInt32 noteLength;
    VstInt32 noteOffset;
    char midiData[4]; // status and up to two data bytes
    char detune;
    char noteOffVelocity;
    char reserved1;
    char reserved2;
};

struct VstMidiSysexEvent {
    VstInt32 type; // kVstSysExType
    VstInt32 byteSize;
    VstInt32 deltaFrames;
    VstInt32 flags;
    VstInt32 dumpBytes;
    VstIntPtr resvd1;
    char* sysexDump;
    VstIntPtr resvd2;
};

// ---- Time information ----

struct VstTimeInfo {
    double samplePos; // frames since the song start
    double sampleRate;
    double nanoSeconds; // system time
    double ppqPos;      // musical position in quarter notes
    double tempo;       // beats per minute
    double barStartPos; // position of the last bar start, in quarter notes
    double cycleStartPos;
    double cycleEndPos;
    VstInt32 timeSigNumerator;
    VstInt32 timeSigDenominator;
    VstInt32 smpteOffset;
    VstInt32 smpteFrameRate;
    VstInt32 samplesToNextClock;
    VstInt32 flags; // VstTimeInfoFlags: which fields are valid
};

enum VstTimeInfoFlags {
    kVstTransportChanged = 1,
    kVstTransportPlaying = 1 << 1,
    kVstTransportCycleActive = 1 << 2,
    kVstTransportRecording = 1 << 3,
    kVstAutomationWriting = 1 << 6,
    kVstAutomationReading = 1 << 7,
    kVstNanosValid = 1 << 8,
    kVstPpqPosValid = 1 << 9,
    kVstTempoValid = 1 << 10,
    kVstBarsValid = 1 << 11,
    kVstCyclePosValid = 1 << 12,
    kVstTimeSigValid = 1 << 13,
    kVstSmpteValid = 1 << 14,
    kVstClockValid = 1 << 15,
};

// ---- Pins, parameters, speakers ----

enum VstPinPropertiesFlags {
    kVstPinIsActive = 1 << 0,
    kVstPinIsStereo = 1 << 1, // this pin is the left of a stereo pair
    kVstPinUseSpeaker = 1 << 2,
};

struct VstPinProperties {
    char label[kVstMaxLabelLen];
    VstInt32 flags; // VstPinPropertiesFlags
    VstInt32 arrangementType;
    char shortLabel[kVstMaxShortLabelLen];
    char future[48];
};

enum VstParameterFlags {
    kVstParameterIsSwitch = 1 << 0,
    kVstParameterUsesIntegerMinMax = 1 << 1,
    kVstParameterUsesFloatStep = 1 << 2,
    kVstParameterUsesIntStep = 1 << 3,
    kVstParameterSupportsDisplayIndex = 1 << 4,
    kVstParameterSupportsDisplayCategory = 1 << 5,
    kVstParameterCanRamp = 1 << 6,
};

struct VstParameterProperties {
    float stepFloat;
    float smallStepFloat;
    float largeStepFloat;
    char label[kVstMaxLabelLen];
    VstInt32 flags; // VstParameterFlags
    VstInt32 minInteger;
    VstInt32 maxInteger;
    VstInt32 stepInteger;
    VstInt32 largeStepInteger;
    char shortLabel[kVstMaxShortLabelLen];
    VstInt16 displayIndex;
    VstInt16 category;
    VstInt16 numParametersInCategory;
    VstInt16 reserved;
    char categoryLabel[kVstMaxCategLabelLen];
    char future[16];
};

enum VstPlugCategory {
    kPlugCategUnknown = 0,
    kPlugCategEffect,
    kPlugCategSynth,
    kPlugCategAnalysis,
    kPlugCategMastering,
    kPlugCategSpacializer,
    kPlugCategRoomFx,
    kPlugSurroundFx,
    kPlugCategRestoration,
    kPlugCategOfflineProcess,
    kPlugCategShell,
    kPlugCategGenerator,
    kPlugCategMaxCount,
};

enum VstSpeakerArrangementType {
    kSpeakerArrUserDefined = -2,
    kSpeakerArrEmpty = -1,
    kSpeakerArrMono = 0,
    kSpeakerArrStereo = 1,
    kSpeakerArrStereoSurround = 2,
    kSpeakerArrStereoCenter = 3,
    kSpeakerArrStereoSide = 4,
    kSpeakerArrStereoCLfe = 5,
};

enum VstSpeakerType {
    kSpeakerUndefined = 0x7fffffff,
    kSpeakerM = 0,
    kSpeakerL = 1,
    kSpeakerR = 2,
};

struct VstSpeakerProperties {
    float azimuth;
    float elevation;
    float radius;
    float reserved;
    char name[kVstMaxNameLen];
    VstInt32 type; // VstSpeakerType
    char future[28];
};

// The published struct has room for eight speakers; hosts may allocate it larger for more.
struct VstSpeakerArrangement {
    VstInt32 type; // VstSpeakerArrangementType
    VstInt32 numChannels;
    VstSpeakerProperties speakers[8];
};

// ---- Editor keys ----

struct VstKeyCode {
    VstInt32 character;
    unsigned char virt;     // VstVirtualKey
    unsigned char modifier; // VstModifierKey
};

enum VstModifierKey {
    MODIFIER_SHIFT = 1 << 0,
    MODIFIER_ALTERNATE = 1 << 1,
    MODIFIER_COMMAND = 1 << 2,
    MODIFIER_CONTROL = 1 << 3,
};

// ---- Host states and programs ----

enum VstProcessLevels {
    kVstProcessLevelUnknown = 0,
    kVstProcessLevelUser,
    kVstProcessLevelRealtime,
    kVstProcessLevelPrefetch,
    kVstProcessLevelOffline,
};

enum VstAutomationStates {
    kVstAutomationUnsupported = 0,
    kVstAutomationOff,
    kVstAutomationRead,
    kVstAutomationWrite,
    kVstAutomationReadWrite,
};

enum VstHostLanguage {
    kVstLangEnglish = 1,
    kVstLangGerman,
    kVstLangFrench,
    kVstLangItalian,
    kVstLangSpanish,
    kVstLangJapanese,
};

enum VstProcessPrecision {
    kVstProcessPrecision32 = 0,
    kVstProcessPrecision64,
};

enum VstOfflineOption {
    kVstOfflineAudio = 0,
    kVstOfflinePeakMap,
    kVstOfflineParameter,
    kVstOfflineMarker,
    kVstOfflineCursor,
    kVstOfflineSelection,
    kVstOfflineQueryFiles,
};

// What the host announces before it loads a bank or program file (effBeginLoadBank/Program).
struct VstPatchChunkInfo {
    VstInt32 version;
    VstInt32 pluginUniqueID;
    VstInt32 pluginVersion;
    VstInt32 numElements; // programs in a bank, parameters in a program
    char future[48];
};

// Requests whose structs nothing in this program reads: the bases pass them through untouched,
// so the types stay opaque here.
struct MidiProgramName;
struct MidiProgramCategory;
struct MidiKeyName;
struct VstVariableIo;
struct VstFileSelect;
struct VstAudioFile;
struct VstOfflineTask;
struct VstWindow;

// A host extension carried by effVendorSpecific: index kHostExtensionVendor and value
// kHostExtensionContentScale tell the plug-in the scale its editor should draw at, in opt, with a
// null ptr (a published extension of one host maker, followed by others).
constexpr VstInt32 kHostExtensionVendor = vstFourCC('P', 'r', 'e', 'S');
constexpr VstInt32 kHostExtensionContentScale = vstFourCC('A', 'e', 'C', 's');

// ---- Program and bank files ----
// Stored big-endian; each file is one 'CcnK' chunk whose byteSize counts the bytes after the
// byteSize field itself.

constexpr VstInt32 cMagic = vstFourCC('C', 'c', 'n', 'K');
constexpr VstInt32 fMagic = vstFourCC('F', 'x', 'C', 'k');           // program of parameter values
constexpr VstInt32 bankMagic = vstFourCC('F', 'x', 'B', 'k');        // bank of such programs
constexpr VstInt32 chunkPresetMagic = vstFourCC('F', 'P', 'C', 'h'); // program as opaque chunk
constexpr VstInt32 chunkBankMagic = vstFourCC('F', 'B', 'C', 'h');   // bank as opaque chunk
constexpr int kFxProgramHeaderSize = 56; // chunkMagic .. prgName[28], before the values
constexpr int kFxBankHeaderSize = 156;   // chunkMagic .. future[124], before the programs
constexpr int kFxProgramNameSize = 28;

// ---- Layout on x86-64 ----
#if defined(__x86_64__)
static_assert(sizeof(AEffect) == 192, "AEffect layout");
static_assert(offsetof(AEffect, dispatcher) == 8, "AEffect layout");
static_assert(offsetof(AEffect, process) == 16, "AEffect layout");
static_assert(offsetof(AEffect, setParameter) == 24, "AEffect layout");
static_assert(offsetof(AEffect, getParameter) == 32, "AEffect layout");
static_assert(offsetof(AEffect, numPrograms) == 40, "AEffect layout");
static_assert(offsetof(AEffect, flags) == 56, "AEffect layout");
static_assert(offsetof(AEffect, resvd1) == 64, "AEffect layout");
static_assert(offsetof(AEffect, initialDelay) == 80, "AEffect layout");
static_assert(offsetof(AEffect, ioRatio) == 92, "AEffect layout");
static_assert(offsetof(AEffect, object) == 96, "AEffect layout");
static_assert(offsetof(AEffect, user) == 104, "AEffect layout");
static_assert(offsetof(AEffect, uniqueID) == 112, "AEffect layout");
static_assert(offsetof(AEffect, version) == 116, "AEffect layout");
static_assert(offsetof(AEffect, processReplacing) == 120, "AEffect layout");
static_assert(offsetof(AEffect, processDoubleReplacing) == 128, "AEffect layout");
static_assert(offsetof(AEffect, future) == 136, "AEffect layout");
static_assert(sizeof(ERect) == 8, "ERect layout");
static_assert(sizeof(VstEvent) == 32, "VstEvent layout");
static_assert(sizeof(VstEvents) == 32 && offsetof(VstEvents, events) == 16, "VstEvents layout");
static_assert(sizeof(VstMidiEvent) == 32 && offsetof(VstMidiEvent, midiData) == 24,
              "VstMidiEvent layout");
static_assert(sizeof(VstMidiSysexEvent) == 48 && offsetof(VstMidiSysexEvent, sysexDump) == 32,
              "VstMidiSysexEvent layout");
static_assert(sizeof(VstTimeInfo) == 88, "VstTimeInfo layout");
static_assert(offsetof(VstTimeInfo, ppqPos) == 24 && offsetof(VstTimeInfo, tempo) == 32,
              "VstTimeInfo layout");
static_assert(offsetof(VstTimeInfo, timeSigNumerator) == 64 &&
                  offsetof(VstTimeInfo, timeSigDenominator) == 68 &&
                  offsetof(VstTimeInfo, flags) == 84,
              "VstTimeInfo layout");
static_assert(sizeof(VstPinProperties) == 128 && offsetof(VstPinProperties, flags) == 64 &&
                  offsetof(VstPinProperties, shortLabel) == 72,
              "VstPinProperties layout");
static_assert(sizeof(VstParameterProperties) == 152 &&
                  offsetof(VstParameterProperties, flags) == 76 &&
                  offsetof(VstParameterProperties, shortLabel) == 96 &&
                  offsetof(VstParameterProperties, categoryLabel) == 112,
              "VstParameterProperties layout");
static_assert(sizeof(VstSpeakerProperties) == 112 && offsetof(VstSpeakerProperties, type) == 80,
              "VstSpeakerProperties layout");
static_assert(sizeof(VstSpeakerArrangement) == 904, "VstSpeakerArrangement layout");
static_assert(sizeof(VstKeyCode) == 8, "VstKeyCode layout");
static_assert(sizeof(VstPatchChunkInfo) == 64, "VstPatchChunkInfo layout");
#endif
