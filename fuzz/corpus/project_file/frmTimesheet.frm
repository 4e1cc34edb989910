VERSION 5.00
Begin VB.Form frmTimesheet 
   Caption         =   "Feuille de temps – Semaine"
   ClientHeight    =   3600
   ClientLeft      =   60
   ClientTop       =   345
   ClientWidth     =   5400
   Icon            =   "frmTimesheet.frx":0000
   LinkTopic       =   "Form1"
   ScaleHeight     =   3600
   ScaleWidth      =   5400
   Begin VB.CommandButton cmdAdd 
      Caption         =   "&Add Entry"
      Height          =   375
      Left            =   3960
      TabIndex        =   0
      Top             =   3120
      Width           =   1335
   End
End
Attribute VB_Name = "frmTimesheet"
Attribute VB_GlobalNameSpace = False
Attribute VB_Creatable = False
Attribute VB_PredeclaredId = True
Attribute VB_Exposed = False
Option Explicit

Private Sub cmdAdd_Click()
    Dim e As New CEntry
    e.Hours = 8
    MsgBox "Entry for " & Format$(e.Total(StandardRate), "0.00")
End Sub
