@echo off
rem share_of_cpu.cmd [N]: the busy share of processor N (0 by default; 1
rem and 01 alike) as a bare number, or why not on standard error, exit 1.
setlocal
set "cpu=%~1"
if not defined cpu set cpu=0
if "%cpu:~1%"=="" set "cpu=0%cpu%"
rem The report goes to a folder of this run's own: making one fails where it
rem is there already, so that two runs at once never share one. "(call )"
rem clears ERRORLEVEL, which mkdir sets only when it fails. TEMP, a user's
rem folder, may hold "&" or ")": it is always quoted.
if not exist "%TEMP%\" goto no_folder
set tries=0
:folder
set /a tries+=1
if %tries% GTR 100 goto no_folder
set "folder=%TEMP%\cpubusy-%RANDOM%-%RANDOM%"
(call )
mkdir "%folder%" 2>nul
if errorlevel 1 goto folder
"%~dp0cpubusy.exe" > "%folder%\report.txt"
set status=%ERRORLEVEL%
set share=
for /f "usebackq tokens=3,5 delims=%% " %%a in ("%folder%\report.txt") do (
  if "%%a"=="%cpu%:" set share=%%b
)
rmdir /s /q "%folder%"
if %status% NEQ 0 goto failed
if not defined share goto no_processor
echo %share%
exit /b 0

:failed
>&2 echo cpubusy failed: exit status %status%
exit /b 1
:no_processor
>&2 echo no processor %cpu%
exit /b 1
:no_folder
>&2 echo cannot make a folder in "%TEMP%"
exit /b 1
