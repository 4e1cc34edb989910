head	1.2;
access;
symbols;
locks
	root:1.1.1.1
	root:1.2; strict;
comment	@# @;


1.2
date	2026.12.06.16.18.49;	author root;	state Exp;
branches;
next	1.1;

1.1
date	2026.12.06.16.18.49;	author root;	state Exp;
branches
	1.1.1.1;
next	;

1.1.1.1
date	2026.12.06.16.18.49;	author root;	state Exp;
branches;
next	;


desc
@rates module
@


1.2
log
@second @@ with at
@
text
@Attribute VB_Name = "modRates"
Public Const Rate = 1
x
@


1.1
log
@first
@
text
@d3 1
@


1.1.1.1
log
@branch
@
text
@a2 1
x
@
