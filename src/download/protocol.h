// The boot loader's line protocol and the fixed texts of the download.
//
// Every command goes out as its text followed by CR LF in one write. Answers
// are recognised by the keywords below, searched for anywhere in one read, in
// the order of kAnswerKeywords; the first one found is the only one acted on.
#pragma once

#include <cstdint>
#include <string_view>

namespace tarnwick::download {

// Commands, before the line end.
inline constexpr std::string_view kInfoCommand = "BOOTinfo";
inline constexpr std::string_view kInstallCommand = "BOOTg";
inline constexpr std::string_view kLinePrefix = "BOOT";
inline constexpr std::string_view kLineEnd = "\r\n";
// In the verify form every record mark of a line is replaced by the verify mark.
inline constexpr char kRecordMark = ':';
inline constexpr char kVerifyMark = '#';

// Answers, in the order in which they are tested.
inline constexpr std::string_view kVersionKeyword = "VER=";
inline constexpr std::string_view kErrorKeyword = "ERROR";
inline constexpr std::string_view kPassEndKeyword = "DOWNLOAD";
inline constexpr std::string_view kFormatKeyword = "FORMAT";
inline constexpr std::string_view kOkKeyword = "OK";

// The port settings, never anything else.
inline constexpr std::string_view kPortSettings = "115200,n,8,1";

// Connection attempts: one per tick of Timer3; the count that gives up.
inline constexpr std::int16_t kGiveUpCount = 200;
inline constexpr int kPauseAfterOpenMs = 100;

// The image table holds lines 1 to kMaxImageLines; entry 0 is never used.
inline constexpr int kMaxImageLines = 9000;

// Colours as 0x00BBGGRR.
inline constexpr std::uint32_t kRed = 0xFF;
inline constexpr std::uint32_t kGreen = 0xFF00;
inline constexpr std::uint32_t kNavy = 0x800000;
inline constexpr std::uint32_t kGrey = 0x808080;
inline constexpr std::uint32_t kWhite = 0xFFFFFF;

// Progress bar texts.
inline constexpr std::string_view kBarNoFile = "NO FILE";
inline constexpr std::string_view kBarReady = "READY";
inline constexpr std::string_view kBarDownload = "DOWNLOAD";
inline constexpr std::string_view kBarVerify = "VERIFY";
inline constexpr std::string_view kBarEnd = "END";
inline constexpr std::string_view kBarError = "ERROR";

// Status line texts.
inline constexpr std::string_view kStatusWaiting = "WAIT Connect: ";
inline constexpr std::string_view kStatusReady = "Ready";
inline constexpr std::string_view kStatusGaveUp = "Not present board";
inline constexpr std::string_view kStatusClosed = "Closed";

// Messages.
inline constexpr std::string_view kNotAvailableSuffix =
    " Not available! Use Serial settings to setup your ports.";
inline constexpr std::string_view kCancelMessage = "Cancel";
inline constexpr std::string_view kErrorTitlePrefix = "Error#";
inline constexpr std::string_view kHexFilter = "HEX files (*.hex)|*.hex";

}  // namespace tarnwick::download
