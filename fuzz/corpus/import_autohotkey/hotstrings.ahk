#Hotstring EndChars -()[]{}
::btw::by the way ; comment
:*?b0C1O:al::airline{Left 3}{Enter}^a+b`n`t{U+00E9}{{}{!}
:R:ckg-::checking {Enter}
#IfWinActive ahk_exe notepad.exe
::np::notepad
#IfWinActive
#HotIf WinActive("ahk_exe a.exe") or WinActive("ahk_class X")
::sig::
(LTrim Join`s Comments
  Regards, ; x
  Jane
)
#HotIf
:X:run::MsgBox 1
::code::
{
  Send "x"
}
/*
::c::commented
*/
