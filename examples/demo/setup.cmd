@echo off
echo Demo Tools installed into %~dp0> "%~dp0installed.txt"
