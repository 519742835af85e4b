@echo off
rem Stand-in for the Windows CE CAB Wizard (cabwiz.exe), so that the sample
rem package's rebuild command runs where the eMbedded Visual Tools are not
rem installed: under Wine, which has cabarc.exe, in Quillet's tests; on Windows
rem with cabarc.exe on the path (Windows Server 2003 Support Tools). It takes
rem the CAB Wizard's arguments and makes one cabinet per processor, named as
rem the CAB Wizard names it, <INF base name>.<processor>.CAB, in the current
rem folder: the common files of APP and the processor's own folder. It does
rem not turn the INF into setup data; it only gathers the files.
rem
rem Usage: cabwiz.bat FILE.inf [/dest FOLDER] [/err FILE] /cpu "PROCESSOR" ...
setlocal EnableDelayedExpansion
if "%~1"=="" goto usage
set "base=%~n1"
shift

:option
if "%~1"=="" goto usage
if /i "%~1"=="/cpu" goto processors
rem /dest and /err take a value; the stand-in needs neither.
if /i "%~1"=="/dest" shift
if /i "%~1"=="/err" shift
shift
goto option

:processors
shift
set built=0
:processor
if "%~1"=="" goto done
call :cabinet "%~1"
if errorlevel 1 exit /b 1
set /a built+=1
shift
goto processor

:done
if %built%==0 goto usage
exit /b 0

:cabinet
if not exist "%~1\" (
  echo cabwiz.bat: no folder "%~1" for the processor 1>&2
  exit /b 1
)
set "cab=%base%.%~1.CAB"
if exist "%cab%" del "%cab%"
rem Each file named on its own: cabarc takes no wildcards everywhere.
set files=
for %%f in (APP\*.*) do set files=!files! "%%f"
pushd "%~1"
for %%f in (*.*) do set files=!files! "%~1\%%f"
popd
cabarc N "%cab%" !files! >nul
if errorlevel 1 (
  echo cabwiz.bat: cabarc could not make "%cab%" 1>&2
  exit /b 1
)
echo cabwiz.bat: %cab%
exit /b 0

:usage
echo usage: cabwiz.bat FILE.inf [/dest FOLDER] [/err FILE] /cpu "PROCESSOR" ... 1>&2
exit /b 2
