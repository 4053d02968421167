// The Cabrillo header dialog (template 101): every control with its id, label,
// kind, box, list items, state and keyboard order. The Windows resource script
// and the terminal form both follow this table; a test holds them to it.
#pragma once

#include <array>
#include <cstddef>

#include "platform/form_dialog.h"

namespace tavik {

constexpr int kCabrilloDialogId = 101;
constexpr const char* kCabrilloDialogCaption = "CIS QPSK63 DX Contest";
constexpr int kCabrilloDialogWidth = 255;   // dialog units
constexpr int kCabrilloDialogHeight = 366;

enum ControlId : int {
    kIdOk = 1,
    kIdCancel = 2,
    kIdOffTime = 1000,
    kIdSoapBox = 1001,
    kIdAddress = 1002,
    kIdEmail = 1004,
    kIdClub = 1005,
    kIdOperators = 1006,
    kIdName = 1007,
    kIdClaimed = 1008,
    kIdContest = 1009,
    kIdCallSign = 1010,
    kIdCategoryOperator = 1013,
    kIdCategoryPower = 1015,
    kIdCategoryBand = 1017,
    kIdCategoryTime = 1021,
    kIdCategoryTransmitter = 1022,
    kIdAddressCity = 1024,
    kIdAddressPostalCode = 1026,
    kIdAddressCountry = 1028,
    kIdCategoryOverlay = 1031,
};

// Top to bottom as on screen.
constexpr std::array<DialogControl, 19> kCabrilloControls{{
    {kIdContest, "CONTEST", ControlKind::kEdit, 55, 9, 190, 12, false, true, false, {}},
    {kIdCallSign, "CALLSIGN", ControlKind::kEdit, 55, 23, 88, 12, false, true, false, {}},
    {kIdClaimed, "CLAIMED", ControlKind::kEdit, 184, 23, 61, 12, false, true, false, {}},
    {kIdCategoryOperator, "CATEGORY-OPERATOR", ControlKind::kDropDownList, 109, 39, 88, 58,
     true, true, true, {"SINGLE-OP", "MULTI-OP", "MULTI-MULTI", "CHECKLOG"}},
    {kIdCategoryBand, "CATEGORY-BAND", ControlKind::kDropDownList, 109, 52, 88, 91, false, true,
     true, {"ALL", "80M", "40M", "20M", "15M", "10M", "80M-40M", "20M-10M"}},
    {kIdCategoryPower, "CATEGORY-POWER", ControlKind::kDropDownList, 109, 65, 88, 58, true, true,
     true, {"HIGH", "LOW"}},
    {kIdCategoryTime, "CATEGORY-TIME", ControlKind::kDropDownList, 109, 79, 88, 49, true, false,
     true, {"12-HOURS", "24-HOURS"}},
    {kIdCategoryTransmitter, "CATEFORY-TRANSMITTER", ControlKind::kDropDownList, 109, 92, 88, 49,
     true, true, true, {"ONE", "UNLIMITED"}},
    {kIdCategoryOverlay, "CAREGORY-OVERLAY", ControlKind::kDropDownList, 109, 104, 88, 49, true,
     false, true, {"JUNIOR"}},
    {kIdOffTime, "OFFTIME", ControlKind::kMultiLineEdit, 55, 123, 189, 33, false, false, true, {}},
    {kIdName, "NAME", ControlKind::kEdit, 55, 158, 191, 12, false, true, false, {}},
    {kIdAddress, "ADDRESS", ControlKind::kEditNoScroll, 54, 172, 192, 12, false, true, true, {}},
    {kIdAddressCity, "ADDRESS-CITY", ControlKind::kEdit, 67, 187, 179, 15, false, true, true, {}},
    {kIdAddressPostalCode, "ADDRESS-POSTALCODE", ControlKind::kEdit, 101, 204, 145, 15, false,
     true, true, {}},
    {kIdAddressCountry, "ADDRES-COUNTRY", ControlKind::kEdit, 101, 221, 145, 15, false, true,
     true, {}},
    {kIdOperators, "OPERATORS", ControlKind::kEdit, 55, 238, 191, 12, false, true, false, {}},
    {kIdClub, "CLUB", ControlKind::kEdit, 55, 252, 191, 12, false, true, false, {}},
    {kIdSoapBox, "SOAPBOX", ControlKind::kMultiLineEdit, 55, 267, 191, 31, false, true, true, {}},
    {kIdEmail, "E-MAIL", ControlKind::kEdit, 55, 300, 191, 12, false, true, false, {}},
}};

// Tab order: the tab stops in this order (disabled ones are skipped when moving).
constexpr std::array<int, 12> kCabrilloTabOrder{
    kIdSoapBox,  kIdCategoryOperator, kIdCategoryPower, kIdCategoryBand,
    kIdOffTime,  kIdCategoryTime,     kIdAddress,       kIdAddressCity,
    kIdAddressPostalCode, kIdAddressCountry, kIdCategoryTransmitter, kIdCategoryOverlay};

// The control that has the keyboard focus when the dialog opens.
constexpr int kCabrilloInitialFocus = kIdSoapBox;

constexpr FormDescription kCabrilloForm{kCabrilloDialogId,  kCabrilloDialogCaption,
                                        kCabrilloDialogWidth, kCabrilloDialogHeight,
                                        kCabrilloControls,  kCabrilloTabOrder,
                                        kCabrilloInitialFocus};

}  // namespace tavik
