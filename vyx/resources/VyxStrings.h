// Identifiers of Vyx's string resources, and the module resources that carry its string table:
// the Russian texts of its menus, dialogs and message boxes, the caller screen's names for calls
// without a number, the number-type labels and the default SMS replies.
#pragma once

#include "platform/api/ModuleResources.h"
#include "platform/api/WinTypes.h"

namespace vyx {

// The program's name, the window title.
constexpr UINT IDS_APP_TITLE = 101;

// Shared buttons and dialog titles.
constexpr UINT IDS_OK = 105;
constexpr UINT IDS_CANCEL = 106;
constexpr UINT IDS_BROWSE = 110;
constexpr UINT IDS_OPTIONS_TITLE = 116;
constexpr UINT IDS_CLEAR = 40205;
constexpr UINT IDS_EDIT_RINGTONE_TITLE = 40239;
constexpr UINT IDS_SEND_SMS_TITLE = 41137;
constexpr UINT IDS_CHOOSE_RINGTONE_TITLE = 41292;
constexpr UINT IDS_CATEGORY_RINGTONES_TITLE = 41298;

// Main menu.
constexpr UINT IDS_MENU_OPTIONS = 117;
constexpr UINT IDS_MENU_RING_TYPE = 41307;
constexpr UINT IDS_MENU_RINGTONES = 41369;
constexpr UINT IDS_MENU_START_KAB = 41370;
constexpr UINT IDS_MENU_EXIT = 41371;
constexpr UINT IDS_MENU_RING_VOLUME = 41379;
constexpr UINT IDS_MENU_CALL_FILTER = 41380;

// Call filter menu and the rows of the category ringtone dialog.
constexpr UINT IDS_FILTER_ALLOW_ALL = 103;
constexpr UINT IDS_FILTER_BLOCK_ALL = 104;
constexpr UINT IDS_ENTRY_NO_CATEGORY = 41294;
constexpr UINT IDS_ENTRY_NO_NUMBER = 41296;
constexpr UINT IDS_ENTRY_NO_CONTACT = 41297;
constexpr UINT IDS_DEFAULT_RINGTONE = 41300;

// Caller screen names for calls without a number.
constexpr UINT IDS_CALLER_NO_NUMBER = 41293;
constexpr UINT IDS_CALLER_WITHHELD = 41301;

// Message boxes.
constexpr UINT IDS_EXIT_NOTICE = 41295;
constexpr UINT IDS_LOAD_SKIN_FAILED = 41377;

// Labels of a contact's number types.
constexpr UINT IDS_LABEL_WORK = 41323;
constexpr UINT IDS_LABEL_MOBILE = 41324;
constexpr UINT IDS_LABEL_HOME_FAX = 41325;
constexpr UINT IDS_LABEL_WORK_FAX = 41326;
constexpr UINT IDS_LABEL_CAR = 41327;
constexpr UINT IDS_LABEL_PAGER = 41328;
constexpr UINT IDS_LABEL_RADIO = 41329;
constexpr UINT IDS_LABEL_ASSISTANT = 41330;
constexpr UINT IDS_LABEL_MMS = 41331;
constexpr UINT IDS_LABEL_COMPANY = 41332;
constexpr UINT IDS_LABEL_EMAIL = 41333;
constexpr UINT IDS_LABEL_EMAIL2 = 41334;
constexpr UINT IDS_LABEL_EMAIL3 = 41335;
constexpr UINT IDS_LABEL_HOME = 41360;

// Their short forms in the phone's call log.
constexpr UINT IDS_LOG_LABEL_MOBILE = 41381;
constexpr UINT IDS_LOG_LABEL_HOME = 41382;
constexpr UINT IDS_LOG_LABEL_WORK = 41383;

// Ring types; "Системный" leaves the phone's own ring type or volume.
constexpr UINT IDS_RING_SILENT = 41361;
constexpr UINT IDS_RING_NORMAL = 41362;
constexpr UINT IDS_RING_ONCE = 41363;
constexpr UINT IDS_RING_INCREASING = 41364;
constexpr UINT IDS_RING_VIBRATE = 41365;
constexpr UINT IDS_RING_VIBRATE_AND_RING = 41366;
constexpr UINT IDS_RING_VIBRATE_THEN_RING = 41367;
constexpr UINT IDS_RING_VIBRATE_AND_INCREASING = 41368;
constexpr UINT IDS_SYSTEM_SETTING = 41378;

// Default SMS reply texts, and the reply editor.
constexpr UINT IDS_SMS_IN_A_MEETING = 41384;
constexpr UINT IDS_SMS_SLEEPING = 41385;
constexpr UINT IDS_SMS_CANNOT_ANSWER = 41386;
constexpr UINT IDS_SMS_WILL_CALL_BACK = 41387;
constexpr UINT IDS_SMS_BUSY_AT_WORK = 41388;
constexpr UINT IDS_SMS_BUSY_CALL_LATER = 41389;
constexpr UINT IDS_SMS_DRIVING = 41390;
constexpr UINT IDS_SMS_EMPTY_SLOT = 41393;
constexpr UINT IDS_EDIT_SMS = 41394;

// The string table (sorted by identifier) and the data resources of the program's module.
const platform::ModuleResources& vyxResources();

}
