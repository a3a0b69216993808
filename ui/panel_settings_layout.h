// The layout of PanelSettings.cfg: its sections, keys and limits, shared by the code that
// writes it (panel_settings.cpp) and every part that reads from it (panel_settings.cpp,
// connect_panel.cpp). The bytes on disk depend on these texts: change none of them.
#pragma once

inline constexpr char kSettingsGeneralSection[] = "GENERAL INFO";
inline constexpr char kSettingsFileTypeKey[] = "FILE TYPE:";
inline constexpr char kSettingsFileTypeValue[] = "Panel Settings";
inline constexpr char kSettingsVersionKey[] = "DIROR VERSION:";  // kProductVersionText

inline constexpr char kSettingsPositionSection[] = "PANEL POSITION";
inline constexpr char kSettingsFullScreenKey[] = "MAINPANEL FULLSCREEN";
inline constexpr char kSettingsLeftKey[] = "MAINPANEL LEFT";
inline constexpr char kSettingsTopKey[] = "MAINPANEL TOP";
inline constexpr char kSettingsWidthKey[] = "MAINPANEL WIDTH";
inline constexpr char kSettingsHeightKey[] = "MAINPANEL HEIGHT";

inline constexpr char kSettingsGeneralSettingsSection[] = "GENERAL SETTINGS";
inline constexpr char kSettingsLanguageKey[] = "SELECTED LANGUAGE";

inline constexpr char kSettingsDirectoriesSection[] = "DIRECTORIES";
inline constexpr char kSettingsParameterFileKey[] = "PARAMETER FILE";

// The IP address history: LIST ITEMS, then "IP ADDR 1" ... "IP ADDR <n>", at most ten.
inline constexpr char kSettingsAddressesSection[] = "IP ADDRESSES";
inline constexpr char kSettingsListItemsKey[] = "LIST ITEMS";
inline constexpr char kSettingsAddressKeyPrefix[] = "IP ADDR ";
inline constexpr int kSettingsMaxHistory = 10;

inline constexpr char kSettingsCommunicationSection[] = "COMMUNICATION SETTINGS";
inline constexpr char kSettingsProtocolKey[] = "COMPROTOCOL";
inline constexpr char kSettingsComPortKey[] = "COMPORT";
inline constexpr char kSettingsBaudRateKey[] = "BAUDRATE";
inline constexpr char kSettingsIpAddressKey[] = "IP ADRESS";
inline constexpr char kSettingsPortNumberKey[] = "PORT NUMBER";
