Attribute VB_Name = "modRates"
Option Explicit

Public Const StandardRate As Currency = 42.5
Public Const OvertimeFactor As Double = 1.5
