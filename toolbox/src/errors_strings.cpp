// Error strings: the library's table, the language-file code and the data-acquisition
// driver's table. Every text is static; codes are compared by magnitude computed in 64
// bits, so the most negative int is an ordinary unknown code.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "toolbox_internal.h"

namespace {

struct ErrorText {
    int code;
    const char *text;
};

constexpr char kNoDescription[] = "No description available. ";
constexpr char kLanguageFileText[] = "Invalid or corrupt language file";

constexpr ErrorText kToolboxErrors[] = {
    {TbErrFileOpenForReading, "Could Not Open File For Reading"},
    {TbErrFileRead, "Error Reading From File"},
    {TbErrNoTempFileName, "Could Not Find Unused Temporary File Name"},
    {TbErrTempFileCreate, "Could Not Create Temporary File"},
    {TbErrFileFormat, "Incorrect File Format"},
    {TbErrUnexpectedEof, "Unexpected End Of File"},
    {TbErrInvalidInteger, "Invalid Integer Number"},
    {TbErrInvalidUnsigned, "Invalid Unsigned Integer Number"},
    {TbErrInvalidFloat, "Invalid Floating Point Number"},
    {TbErrInvalidBoolean, "Invalid Boolean Value"},
    {TbErrMissingSection, "Missing Section"},
    {TbErrMissingItem, "Missing Item"},
    {TbErrUnrecognizedValue, "Unrecognized Value"},
    {TbErrOperationInProgress,
     "Could not perform requested action because of an operation currently in progress"},
    {TbErrTooManyItems, "Too many items"},
    {TbErrDuplicateItem, "Duplicate item or value"},
    {TbErrNotChildPanel, "Panel is not a child panel of the correct panel"},
    {TbErrRegKeyOpen, "Could not open Registry Key"},
    {TbErrRegValueSet, "Could not set data for Registry Value"},
    {TbErrRegValueAccess, "Could not access Registry Value"},
    {TbErrRegValueMissing, "Registry Value does not exist"},
    {TbErrRegValueType, "Incorrect type for Registry Value"},
    {TbErrRegKeyMissing, "Registry Key does not exist"},
    {TbErrOutOfMemory, "Out of memory"},
    {TbErrInvalidDisplayItem, "Invalid display item"},
    {TbErrMsgCallbackNotInstalled, "Message-callback not installed"},
    {TbErrMsgCallbackInstalled, "Message-callback already installed."},
    {TbErrPanelNotTopLevel, "Panel not top-level."},
    {TbErrPanelNoCallback, "Panel does not have a callback function."},
    {TbErrDragDropNotEnabled, "Drag-and-Drop not enabled for panel"},
    {TbErrInvalidMsgCallbackMode, "Invalid message-callback execution-mode"},
    {TbErrNoTrayMenu, "No menu for Tray Icon"},
    {TbErrInvalidTrayMenuItem, "Invalid item for Tray Icon popup menu"},
    {TbErrInvalidTrayIcon, "Invalid Tray Icon"},
    {TbErrIconLoad, "Could not load icon from file"},
    {TbErrSystemDllLoad, "Could not load required system DLL"},
    {TbErrSystemFunctionMissing, "Required function not found in system DLL"},
    {TbErrUnknownSystem, "Unknown system error"},
};

// The data-acquisition driver's codes: errors negative, warnings positive.
constexpr ErrorText kAcquisitionErrors[] = {
    {-10001, "syntaxErr: An error was detected in the input string; the arrangement or ordering of the characters in the string is not consistent with the expected ordering. "},
    {-10002, "semanticsErr: An error was detected in the input string; the syntax of the string is correct, but certain values specified in the string are inconsistent with other values specified in the string. "},
    {-10003, "invalidValueErr: The value of a numeric parameter is invalid. "},
    {-10004, "valueConflictErr: The value of a numeric parameter is inconsistent with another parameter, and the combination is therefore invalid. "},
    {-10005, "badDeviceErr: The device parameter is invalid. "},
    {-10006, "badLineErr: The line parameter is invalid. "},
    {-10007, "badChanErr: A channel is out of range for the device type or input configuration, or the combination of channels is not allowed. "},
    {-10008, "badGroupErr: The group parameter is invalid. "},
    {-10009, "badCounterErr: The counter parameter is invalid. "},
    {-10010, "badCountErr: The count parameter is too small or too large for the specified counter or operation. "},
    {-10011, "badIntervalErr: The interval parameter is too small or too large for the associated counter or operation. "},
    {-10012, "badRangeErr: The analog input or analog output voltage range is invalid for the specified channel. "},
    {-10013, "badErrorCodeErr: The driver returned an unrecognized or unlisted error code. "},
    {-10014, "groupTooLargeErr: The group size is too large for the device. "},
    {-10015, "badTimeLimitErr: The time limit parameter is invalid. "},
    {-10016, "badReadCountErr: The read count parameter is invalid. "},
    {-10017, "badReadModeErr: The read mode parameter is invalid. "},
    {-10018, "badReadOffsetErr: The offset is unreachable. "},
    {-10019, "badClkFrequencyErr: The frequency parameter is invalid. "},
    {-10020, "badTimebaseErr: The timebase parameter is invalid. "},
    {-10021, "badLimitsErr: The limits are beyond the range of the device. "},
    {-10022, "badWriteCountErr: The data array contains an invalid number of values. "},
    {-10023, "badWriteModeErr: The write mode is out of range or is disallowed. "},
    {-10024, "badWriteOffsetErr: Adding the write offset to the write mark would place the write mark beyond the end of the buffer. "},
    {-10025, "limitsOutOfRangeErr: The requested input limits exceed the device's capability or configuration. "},
    {-10026, "badInputBufferSpecification: The description of the input buffer is invalid. "},
    {-10027, "badDAQEventErr: For data acquisition events, the event type or event parameters are invalid. "},
    {-10028, "badFilterCutoffErr: The cutoff frequency is not valid for this device. "},
    {-10029, "obsoleteFunctionErr: The function you are calling is no longer supported in this version of the driver. "},
    {-10030, "badBaudRateErr: The specified baud rate for communicating with the serial port is not valid on this platform. "},
    {-10031, "badChassisIDErr: The specified chassis identifier is invalid. "},
    {-10032, "badModuleSlotErr: The module slot number is invalid. "},
    {-10033, "invalidWinHandleErr: The window handle passed to the function is invalid. "},
    {-10034, "noSuchMessageErr: No configured message matches the one you tried to delete. "},
    {-10080, "badGainErr: The gain parameter is invalid. "},
    {-10081, "badPretrigCountErr: The pretrigger sample count is invalid. "},
    {-10082, "badPosttrigCountErr: The posttrigger sample count is invalid. "},
    {-10083, "badTrigModeErr: The trigger mode is invalid. "},
    {-10084, "badTrigCountErr: The trigger count is invalid. "},
    {-10085, "badTrigRangeErr: The trigger range or trigger hysteresis window is invalid. "},
    {-10086, "badExtRefErr: The external reference value is invalid. "},
    {-10087, "badTrigTypeErr: The trigger type parameter is invalid. "},
    {-10088, "badTrigLevelErr: The trigger level parameter is invalid. "},
    {-10089, "badTotalCountErr: The total count is inconsistent with the buffer size and pretrigger scan count or with the device type. "},
    {-10090, "badRPGErr: The individual range, polarity, and gain settings are valid but the combination is invalid. "},
    {-10091, "badIterationsErr: The analog output buffer iterations count is not allowed. "},
    {-10092, "lowScanIntervalErr: Some devices require a time gap between the last sample in a scan and the start of the next scan; the scan interval does not leave enough time for it. "},
    {-10093, "fifoModeErr: FIFO mode waveform generation cannot be used because at least one condition is not satisfied. "},
    {-10100, "badPortWidthErr: The requested digital port width is not a multiple of the hardware port width or is not attainable by the device. "},
    {-10120, "gpctrBadApplicationErr: The application is not valid for the general-purpose counter. "},
    {-10121, "gpctrBadCounterNumberErr: The counter number is not valid for the general-purpose counter. "},
    {-10122, "gpctrBadParamValueErr: The parameter value is not valid for the general-purpose counter. "},
    {-10123, "gpctrBadParamIdErr: The parameter identifier is not valid for the general-purpose counter. "},
    {-10124, "gpctrBadEntityIdErr: The entity identifier is not valid for the general-purpose counter. "},
    {-10125, "gpctrBadActionErr: The action is not valid for the general-purpose counter. "},
    {-10200, "EEPROMreadErr: Unable to read data from EEPROM. "},
    {-10201, "EEPROMwriteErr: Unable to write data to EEPROM. "},
    {-10240, "noDriverErr: The driver interface could not locate or open the driver. "},
    {-10241, "oldDriverErr: One of the driver files or the configuration utility is out of date. "},
    {-10242, "functionNotFoundErr: The specified function is not located in the driver. "},
    {-10243, "configFileErr: The driver could not locate or open the configuration file, or the format of the configuration file is not compatible with the currently installed driver. "},
    {-10244, "deviceInitErr: The driver encountered a hardware-initialization error while attempting to configure the specified device. "},
    {-10245, "osInitErr: The driver encountered an operating system error while attempting to perform an operation, or the operating system does not support an operation performed by the driver. "},
    {-10246, "communicationsErr: The driver is unable to communicate with the specified external device. "},
    {-10247, "cmosConfigErr: The CMOS configuration memory for the computer is empty or invalid, or the configuration specified does not agree with the current configuration of the computer. "},
    {-10248, "dupAddressErr: The base addresses for two or more devices are the same. "},
    {-10249, "intConfigErr: The interrupt configuration is incorrect given the capabilities of the computer or device. "},
    {-10250, "dupIntErr: The interrupt levels for two or more devices are the same. "},
    {-10251, "dmaConfigErr: The DMA configuration is incorrect given the capabilities of the computer, DMA controller, or device. "},
    {-10252, "dupDMAErr: The DMA channels for two or more devices are the same. "},
    {-10253, "switchlessBoardErr: The driver was unable to find one or more switchless devices you have configured. "},
    {-10254, "DAQCardConfigErr: Cannot configure the card because the card services are not present, the card is not inserted, or the resources it needs are not available. "},
    {-10255, "remoteChassisDriverInitErr: There was an error in initializing the driver for remote chassis. "},
    {-10256, "comPortOpenErr: There was an error in opening the specified communications port. "},
    {-10257, "baseAddressErr: Bad base address specified in the configuration utility. "},
    {-10258, "dmaChannel1Err: Bad DMA channel 1 specified in the configuration utility or by the plug and play manager. "},
    {-10259, "dmaChannel2Err: Bad DMA channel 2 specified in the configuration utility or by the plug and play manager. "},
    {-10340, "noConnectErr: No timing signal or line is connected, or the specified signal and the specified line are not connected. "},
    {-10341, "badConnectErr: The timing signal or line cannot be connected as specified. "},
    {-10342, "multConnectErr: The specified timing signal is already being driven by a line, or the specified line is already being driven by a signal. "},
    {-10343, "SCXIConfigErr: The specified signal conditioning configuration parameters are invalid, or the function cannot be executed given the current signal conditioning configuration. "},
    {-10344, "chassisNotSynchedErr: The remote chassis is out of synchronization with the driver and must be reset. "},
    {-10345, "chassisMemAllocErr: The remote chassis could not allocate the memory the operation requires. "},
    {-10346, "badPacketErr: A packet sent to the remote chassis was invalid. "},
    {-10347, "chassisCommunicationErr: There was an error communicating with the remote chassis. "},
    {-10348, "waitingForReprogErr: The remote chassis is waiting to be reprogrammed and cannot perform other operations. "},
    {-10349, "SCXIModuleTypeConflictErr: The module type configured for a slot does not match the module found in that slot. "},
    {-10360, "DSPInitErr: The DSP driver was unable to load the kernel for its operating system. "},
    {-10370, "badScanListErr: The scan list is invalid. "},
    {-10400, "userOwnedRsrcErr: The specified resource is owned by the user and cannot be accessed or modified by the driver. "},
    {-10401, "unknownDeviceErr: The specified device is not a known device. "},
    {-10402, "deviceNotFoundErr: No device is located in the specified slot or at the specified address. "},
    {-10403, "deviceSupportErr: The specified device does not support the requested action. "},
    {-10404, "noLineAvailErr: No line is available. "},
    {-10405, "noChanAvailErr: No channel is available. "},
    {-10406, "noGroupAvailErr: No group is available. "},
    {-10407, "lineBusyErr: The specified line is in use. "},
    {-10408, "chanBusyErr: The specified channel is in use. "},
    {-10409, "groupBusyErr: The specified group is in use. "},
    {-10410, "relatedLCGBusyErr: A related line, channel, or group is in use; if the driver configures the specified line, channel, or group, the configuration, data, or handshaking lines for the related line, channel, or group will be disturbed. "},
    {-10411, "counterBusyErr: The specified counter is in use. "},
    {-10412, "noGroupAssignErr: No group is assigned, or the specified line or port cannot be assigned to a group. "},
    {-10413, "groupAssignErr: A group is already assigned, or the specified line or port is already assigned to a group. "},
    {-10414, "reservedPinErr: The selected signal requires a pin that is reserved and configured only by the driver. "},
    {-10415, "externalMuxSupportErr: This function does not support the device when an external multiplexer is connected to it. "},
    {-10416, "DSPDataPathBusyErr: Either the DSP or the on-board memory is in use by another operation. "},
    {-10417, "SCXIModuleNotSupportedErr: This function does not support the specified signal conditioning module. "},
    {-10440, "sysOwnedRsrcErr: The specified resource is owned by the driver and cannot be accessed or modified by the user. "},
    {-10441, "memConfigErr: No memory is configured to support the current data transfer mode, or the configured memory does not support the current data transfer mode. "},
    {-10442, "memDisabledErr: The specified memory is disabled or is unavailable given the current addressing mode. "},
    {-10443, "memAlignmentErr: The transfer buffer is not aligned properly for the current data transfer mode. "},
    {-10444, "memFullErr: No more system memory is available on the heap;\n or no more memory is available on the device;\n or part of the DMA DAQ buffer is in an invalid DMA region (above 16M on AT machine)"},
    {-10445, "memLockErr: The transfer buffer cannot be locked into physical memory. "},
    {-10446, "memPageErr: The transfer buffer contains a page break; system resources may require reprogramming when the page break is encountered. "},
    {-10447, "memPageLockErr: The operating environment is unable to grant a page lock. "},
    {-10448, "stackMemErr: The driver is unable to continue parsing a string input due to stack limitations. "},
    {-10449, "cacheMemErr: A cache-related error occurred, or caching is not supported in the current mode. "},
    {-10450, "physicalMemErr: A hardware error occurred in physical memory, or no memory is located at the specified address. "},
    {-10451, "virtualMemErr: The driver is unable to make the transfer buffer contiguous in virtual memory and to lock it. "},
    {-10452, "noIntAvailErr: No interrupt level is available for use. "},
    {-10453, "intInUseErr: The specified interrupt level is already in use by another device. "},
    {-10454, "noDMACErr: No DMA controller is available in the system. "},
    {-10455, "noDMAAvailErr: No DMA channel is available for use. "},
    {-10456, "DMAInUseErr: The specified DMA channel is already in use by another device. "},
    {-10457, "badDMAGroupErr: DMA cannot be configured for the specified group because it is too small, too large, or misaligned. "},
    {-10458, "diskFullErr: The storage disk you specified is full. "},
    {-10459, "DLLInterfaceErr: The driver library cannot be called from its current interface. "},
    {-10460, "interfaceInteractionErr: You have attempted to mix interfaces of the driver in a way that is not allowed. "},
    {-10480, "muxMemFullErr: The scan list is too large to fit into the multiplexer memory of the device. "},
    {-10481, "bufferNotInterleavedErr: You must provide a single buffer of interleaved data, and the channels must be in ascending order. "},
    {-10560, "invalidDSPhandleErr: The DSP handle input is not valid. "},
    {-10600, "noSetupErr: No setup operation has been performed for the specified resources. "},
    {-10601, "multSetupErr: The specified resources have already been configured by a setup operation. "},
    {-10602, "noWriteErr: No output data has been written into the transfer buffer. "},
    {-10603, "groupWriteErr: The output data associated with a group must be for a single channel or must be for consecutive channels. "},
    {-10604, "activeWriteErr: Once data generation has started, only the transfer buffers originally written to can be updated. "},
    {-10605, "endWriteErr: No data was written to the transfer buffer because the final data block has already been loaded. "},
    {-10606, "notArmedErr: The specified resource is not armed. "},
    {-10607, "armedErr: The specified resource is already armed. "},
    {-10608, "noTransferInProgErr: No transfer is in progress for the specified resource. "},
    {-10609, "transferInProgErr: A transfer is already in progress for the specified resource. "},
    {-10610, "transferPauseErr: A single output channel in a group cannot be paused if the output data for the group is interleaved. "},
    {-10611, "badDirOnSomeLinesErr: Some of the lines in the specified channel are not configured for the transfer direction specified. "},
    {-10612, "badLineDirErr: The specified line does not support the specified transfer direction. "},
    {-10613, "badChanDirErr: The specified channel does not support the specified transfer direction. "},
    {-10614, "badGroupDirErr: The specified group does not support the specified transfer direction. "},
    {-10615, "masterClkErr: The clock configuration for the clock master is invalid. "},
    {-10616, "slaveClkErr: The clock configuration for the clock slave is invalid. "},
    {-10617, "noClkSrcErr: No source signal has been assigned to the clock resource. "},
    {-10618, "badClkSrcErr: The specified source signal cannot be assigned to the clock resource. "},
    {-10619, "multClkSrcErr: A source signal has already been assigned to the clock resource. "},
    {-10620, "noTrigErr: No trigger signal has been assigned to the trigger resource. "},
    {-10621, "badTrigErr: The specified trigger signal cannot be assigned to the trigger resource. "},
    {-10622, "preTrigErr: The pretrigger mode is not supported or is not available in the current configuration, or no pretrigger source has been assigned. "},
    {-10623, "postTrigErr: No posttrigger source has been assigned. "},
    {-10624, "delayTrigErr: The delayed trigger mode is not supported or is not available in the current configuration, or no delay source has been assigned. "},
    {-10625, "masterTrigErr: The trigger configuration for the trigger master is invalid. "},
    {-10626, "slaveTrigErr: The trigger configuration for the trigger slave is invalid. "},
    {-10627, "noTrigDrvErr: No signal has been assigned to the trigger resource. "},
    {-10628, "multTrigDrvErr: A signal has already been assigned to the trigger resource. "},
    {-10629, "invalidOpModeErr: The specified operating mode is invalid, or the resources have not been configured for the specified operating mode. "},
    {-10630, "invalidReadErr: The parameters specified to read data were invalid in the context of the acquisition. "},
    {-10631, "noInfiniteModeErr: Continuous input or output transfers are not allowed in the current operating mode. "},
    {-10632, "someInputsIgnoredErr: Certain inputs were ignored because they are not relevant in the current operating mode. "},
    {-10633, "invalidRegenModeErr: The specified analog output regeneration mode is not allowed for this device. "},
    {-10634, "noContTransferInProgErr: No continuous input or output transfer is in progress; data cannot be read or written in this mode. "},
    {-10635, "invalidSCXIOpModeErr: Either the signal conditioning operating mode specified in a configuration call is invalid, or a module is in the wrong operating mode to execute the function. "},
    {-10636, "noContWithSynchErr: You cannot start a continuous acquisition with a synchronous acquisition mode. "},
    {-10637, "bufferAlreadyConfigErr: Attempted to configure a buffer after the buffer had already been configured; a buffer can be configured only once. "},
    {-10680, "badChanGainErr: All channels must have an identical setting for this device. "},
    {-10681, "badChanRangeErr: All channels of this device must have the same range. "},
    {-10682, "badChanPolarityErr: All channels of this device must have the same polarity. "},
    {-10683, "badChanCouplingErr: All channels of this device must have the same coupling. "},
    {-10684, "badChanInputModeErr: All channels of this device must have the same input mode. "},
    {-10685, "clkExceedsBrdsMaxConvRate: The clock rate exceeds the device's recommended maximum conversion rate. "},
    {-10686, "scanListInvalidErr: A configuration change has invalidated the scan list. "},
    {-10687, "bufferInvalidErr: A configuration change has invalidated the acquisition buffer, or an acquisition buffer has not been configured. "},
    {-10688, "noTrigEnabledErr: The number of total scans is not equal to the number of pretrigger scans, but no trigger is enabled to end the acquisition. "},
    {-10689, "digitalTrigBErr: Digital trigger B is illegal for the number of total scans and pretrigger scans specified. "},
    {-10690, "digitalTrigAandBErr: This device does not allow digital triggers A and B to be enabled at the same time. "},
    {-10691, "extConvRestrictionErr: This device does not allow an external sample clock with an external scan clock, start trigger, or stop trigger. "},
    {-10692, "chanClockDisabledErr: Cannot start the acquisition because the channel clock is disabled. "},
    {-10693, "extScanClockErr: Cannot use an external scan clock when performing a single scan of a single channel. "},
    {-10694, "unsafeSamplingFreqErr: The sampling frequency exceeds the safe maximum rate for the hardware, gains, and filters used. "},
    {-10695, "DMAnotAllowedErr: You must use interrupts; DMA is not allowed. "},
    {-10696, "multiRateModeErr: Multi-rate scanning cannot be used for the acquisition. "},
    {-10697, "rateNotSupportedErr: The driver was unable to convert your timing interval or rate into its own timebase and count values. "},
    {-10698, "timebaseConflictErr: You cannot use this combination of scan and sample clock timebases. "},
    {-10699, "polarityConflictErr: You cannot use this combination of scan and sample clock source polarities for this operation. "},
    {-10700, "signalConflictErr: You cannot use this combination of scan and convert clock signal sources for this operation. "},
    {-10701, "noLaterUpdateErr: The call had no effect because the specified channel had not been set for later internal update. "},
    {-10702, "prePostTriggerErr: Pretriggering and posttriggering cannot be used at the same time on the device. "},
    {-10710, "noHandshakeModeErr: The specified port has not been configured for handshaking. "},
    {-10720, "noEventCtrErr: The specified counter is not configured for event-counting operation. "},
    {-10740, "SCXITrackHoldErr: A signal has already been assigned to the track-and-hold trigger, or the control of the module's track-and-hold is in use. "},
    {-10780, "sc2040InputModeErr: The simultaneous sample-and-hold accessory must be used with differential input mode. "},
    {-10781, "outputTypeMustBeVoltageErr: The polarity of the output channel cannot be bipolar when outputting currents. "},
    {-10782, "sc2040HoldModeErr: The specified operation cannot be performed with the simultaneous sample-and-hold accessory configured in hold mode. "},
    {-10783, "calConstPolarityConflictErr: The calibration constants in the load area have a different polarity from the current configuration. "},
    {-10800, "timeOutErr: The operation could not complete within the time limit. "},
    {-10801, "calibrationErr: An error occurred during the calibration process. "},
    {-10802, "dataNotAvailErr: The requested amount of data has not yet been acquired. "},
    {-10803, "transferStoppedErr: The ongoing transfer has been stopped, possibly to prevent data loss. "},
    {-10804, "earlyStopErr: The transfer stopped prior to reaching the end of the transfer buffer. "},
    {-10805, "overRunErr: The clock rate is faster than the hardware can support, and an attempt to input or output a new data point was made before the previous data point had been completed. "},
    {-10806, "noTrigFoundErr: No trigger value was found in the input transfer buffer. "},
    {-10807, "earlyTrigErr: The trigger occurred before sufficient pretrigger data was acquired. "},
    {-10808, "LPTCommunicationErr: An error occurred in the parallel port communication with the device. "},
    {-10809, "gateSignalErr: An attempt was made to start a counter operation while the gate signal was not in the state the operation requires. "},
    {-10810, "internalDriverlErr: An unexpected error occurred inside the driver. "},
    {-10811, "internalKernelErr: An unexpected error occurred inside the kernel component of the driver. "},
    {-10840, "softwareErr: The contents or the location of the driver file was changed between accesses to the driver. "},
    {-10841, "firmwareErr: The firmware does not support the specified operation, or the firmware operation could not complete due to a data-integrity problem. "},
    {-10842, "hardwareErr: The hardware is not responding to the specified operation, or the response from the hardware is not consistent with the functionality of the hardware. "},
    {-10843, "underFlowErr: Because of system and hardware limitations, the driver could not write data to the device fast enough to keep up with the device output rate. "},
    {-10844, "underWriteErr: Your application was unable to write data to the background generation buffer fast enough to prevent old data from being output. "},
    {-10845, "overFlowErr: Because of system and hardware limitations, the driver could not read data from the device fast enough to keep up with the device input rate. "},
    {-10846, "overWriteErr: Your application was unable to retrieve data from the background acquisition buffer fast enough to prevent unretrieved data from being overwritten with new data. "},
    {-10847, "dmaChainingErr: New buffer information was loaded too late to continue a chained DMA transfer. "},
    {-10848, "noDMACountAvailErr: The driver could not obtain a valid reading from the transfer-count register in the DMA controller. "},
    {-10849, "openFileErr: Unable to open a file. "},
    {-10850, "closeFileErr: Unable to close a file. "},
    {-10851, "fileSeekErr: Unable to seek within a file. "},
    {-10852, "readFileErr: Unable to read from a file. "},
    {-10853, "writeFileErr: Unable to write to a file. "},
    {-10854, "miscFileErr: An error occurred accessing a file. "},
    {-10855, "osUnsupportedErr: The driver does not support the current operating system. "},
    {-10856, "osErr: An unexpected error occurred from the operating system while performing the given operation. "},
    {-10880, "updateRateChangeErr: A change to the update rate is not possible at this time because the output buffer is being updated at its current rate. "},
    {-10881, "partialTransferCompleteErr: You cannot do another transfer after a successful partial transfer. "},
    {-10882, "daqPollDataLossErr: The data collected on the analog input side was lost because the polling of the device was not fast enough. "},
    {-10883, "wfmPollDataLossErr: New data could not be transferred to the waveform output fast enough to keep up with the polling of the device. "},
    {-10884, "pretrigReorderErr: Rearranging the pretrigger data to chronological order failed. "},
    {-10920, "gpctrDataLossErr: One or more data points may have been lost during buffered general-purpose counting. "},
    {-10940, "chassisResponseTimeoutErr: No response was received from the remote chassis within the time limit. "},
    {-10941, "reprogrammingFailedErr: Reprogramming the remote chassis was not successful. "},
    {-10942, "invalidResetSignatureErr: An invalid reset signature was sent from the host to the remote chassis. "},
    {10012, "badRangeWarn: The analog input or analog output voltage range is not valid for the specified channel; the nearest valid range was used instead. "},
    {10025, "limitsOutOfRangeWarn: The voltage limits are out of range for this device in the current configuration.\nAlternate limits were selected. "},
    {10608, "noTransferInProgWarn: No transfer is in progress for the specified resource. "},
};

const char *findText(const ErrorText *table, size_t count, long long code) {
    for (size_t i = 0; i < count; ++i)
        if (table[i].code == code) return table[i].text;
    return nullptr;
}

long long magnitudeOf(int code) { return code < 0 ? -static_cast<long long>(code) : code; }

const char *acquisitionErrorString(int code) {
    // Codes of this range are 16-bit values of the driver; all fit, so the code is
    // used as it is.
    constexpr size_t count = sizeof kAcquisitionErrors / sizeof kAcquisitionErrors[0];
    const char *text = findText(kAcquisitionErrors, count, code);
    if (!text) text = findText(kAcquisitionErrors, count, -static_cast<long long>(code));
    return text ? text : kNoDescription;
}

const char *toolboxErrorText(int errorCode) {
    constexpr size_t count = sizeof kToolboxErrors / sizeof kToolboxErrors[0];
    const char *text = findText(kToolboxErrors, count, -magnitudeOf(errorCode));
    return text ? text : kNoDescription;
}

const char *generalErrorText(int errorCode) {
    long long magnitude = magnitudeOf(errorCode);
    if (magnitude < 1000) return GetUILErrorString(errorCode);
    if (magnitude >= 5000 && magnitude <= 5999) return toolboxErrorText(errorCode);
    if (magnitude == 6000) return kLanguageFileText;
    if (magnitude >= 10000 && magnitude <= 10999) return acquisitionErrorString(errorCode);
    return kNoDescription;
}

}  // namespace

extern "C" {

// The texts are static and read-only; the C signature is `char *` so that callers
// written for it keep compiling, and they must not change the text.
char *GetToolboxErrorString(int errorCode) {
    return const_cast<char *>(toolboxErrorText(errorCode));
}

char *GetGeneralErrorString(int errorCode) {
    return const_cast<char *>(generalErrorText(errorCode));
}

}  // extern "C"
