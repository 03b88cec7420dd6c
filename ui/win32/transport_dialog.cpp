#include "ui/win32/transport_dialog.h"

#include "settings/settings.h"
#include "transport/bluetooth/bluetooth_device_list.h"
#include "platform/utf_text.h"
#include "ui/transport_choice.h"
#include "ui/win32/dialog_centring.h"
#include "ui/win32/resource.h"

namespace kavri {

namespace {

constexpr int kAddressLimit = 255;  // characters of the edit, with the terminator

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows texts are UTF-16");

void fillDeviceList(HWND dialog, const BluetoothDeviceList& devices) {
    HWND combo = GetDlgItem(dialog, IDC_BT_DEVICES);
    const int count = devices.getCount();
    for (int i = 0; i < count; ++i) {
        const BluetoothDeviceRecord* record = devices.get(i);
        wchar_t name[BluetoothDeviceRecord::NAME_UNITS] = {};
        if (record != nullptr) {
            for (int k = 0; k < BluetoothDeviceRecord::NAME_UNITS - 1 && record->name[k] != 0;
                 ++k) {
                name[k] = static_cast<wchar_t>(record->name[k]);
            }
        }
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    }
    int selection = 0;
    if (count == 0) {
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"<No device>"));
        EnableWindow(combo, FALSE);
    } else {
        uint8_t stored[Settings::BT_ADDRESS_SIZE];
        Settings::getBtAddress(stored);
        selection = initialDeviceIndex(devices, stored);
    }
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(selection), 0);
}

void showWifiAddress(HWND dialog) {
    char16_t units[kAddressLimit] = {};
    const char* stored = Settings::getWifiServerAddr();
    int length = 0;
    while (length < Settings::WIFI_ADDR_SIZE && stored[length] != '\0')
        ++length;
    const int written = utf8ToUtf16(reinterpret_cast<const uint8_t*>(stored), length,
                                             units, kAddressLimit - 1, nullptr);
    wchar_t text[kAddressLimit] = {};
    for (int i = 0; i < written; ++i)
        text[i] = static_cast<wchar_t>(units[i]);
    SetDlgItemTextW(dialog, IDC_WIFI_ADDR, text);
}

int radioId(TransportRadio radio) {
    switch (radio) {
        case TransportRadio::Bluetooth:
            return IDC_RADIO_BT;
        case TransportRadio::Usb:
            return IDC_RADIO_USB;
        case TransportRadio::WiFi:
            return IDC_RADIO_WIFI;
        case TransportRadio::None:
            break;
    }
    return 0;
}

void initDialog(HWND dialog, BluetoothDeviceList& devices) {
    centreOverOwner(dialog);
    devices.enumerateDevices();
    if (devices.getCount() == 0)
        EnableWindow(GetDlgItem(dialog, IDC_RADIO_BT), FALSE);
    fillDeviceList(dialog, devices);
    showWifiAddress(dialog);
    const int id = radioId(initialRadio(Settings::getTransportType(), devices.getCount()));
    if (id != 0)
        CheckDlgButton(dialog, id, BST_CHECKED);
}

TransportRadio tickedRadio(HWND dialog) {
    if (IsDlgButtonChecked(dialog, IDC_RADIO_BT) == BST_CHECKED)
        return TransportRadio::Bluetooth;
    if (IsDlgButtonChecked(dialog, IDC_RADIO_USB) == BST_CHECKED)
        return TransportRadio::Usb;
    if (IsDlgButtonChecked(dialog, IDC_RADIO_WIFI) == BST_CHECKED)
        return TransportRadio::WiFi;
    return TransportRadio::None;
}

void apply(HWND dialog, const BluetoothDeviceList& devices) {
    wchar_t text[kAddressLimit] = {};
    GetDlgItemTextW(dialog, IDC_WIFI_ADDR, text, kAddressLimit);
    char16_t units[kAddressLimit] = {};
    for (int i = 0; i < kAddressLimit && text[i] != L'\0'; ++i)
        units[i] = static_cast<char16_t>(text[i]);

    TransportChoice choice;
    choice.radio = tickedRadio(dialog);
    choice.selection =
        static_cast<int>(SendDlgItemMessageW(dialog, IDC_BT_DEVICES, CB_GETCURSEL, 0, 0));
    choice.devices = &devices;
    choice.wifiText = units;
    applyTransportChoice(choice);
}

INT_PTR CALLBACK transportProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        initDialog(dialog, *reinterpret_cast<BluetoothDeviceList*>(lParam));
        return TRUE;
    }
    if (message != WM_COMMAND)
        return FALSE;
    auto* devices = reinterpret_cast<BluetoothDeviceList*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (LOWORD(wParam) == IDOK && devices != nullptr) {
        apply(dialog, *devices);
        EndDialog(dialog, IDOK);
        return TRUE;
    }
    if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

INT_PTR runSelectTransportDialog(HINSTANCE instance, HWND owner) {
    // Filled as the dialog opens, released with its records when it ends.
    BluetoothDeviceList devices;
    return DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_SELECT_TRANSPORT), owner, transportProc,
                           reinterpret_cast<LPARAM>(&devices));
}

}  // namespace kavri
