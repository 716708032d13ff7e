' Engine and locale information, RGB and the named constants for colours and message boxes
WScript.Echo ScriptEngine, ScriptEngineMajorVersion, GetLocale, SetLocale(1033), SetLocale("en-us")
WScript.Echo RGB(255, 0, 0), RGB(0, 0, 255), RGB(300, 1, 0), vbRed, vbBlue, vbWhite, vbYellow, vbBlack
WScript.Echo vbOKCancel, vbYesNo, vbCritical, vbInformation, vbDefaultButton2, vbYes, vbNo, vbCancel
