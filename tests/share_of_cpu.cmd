@echo off
rem share_of_cpu.cmd [NN]: the busy share of processor NN (00 by default)
setlocal
set cpu=%~1
if not defined cpu set cpu=00
set report=%TEMP%\cpubusy.txt
"%~dp0cpubusy.exe" > "%report%"
if %ERRORLEVEL% NEQ 0 (
  >&2 echo cpubusy failed: exit status %ERRORLEVEL%
  exit /b 1
)
set share=
for /f "usebackq tokens=3,5 delims=%% " %%a in ("%report%") do (
  if "%%a"=="%cpu%:" set share=%%b
)
if not defined share (
  >&2 echo no processor %cpu%
  exit /b 1
)
echo %share%
