head	1.1;
access;
symbols;
locks; strict;
comment	@# @;


1.1
date	2026.12.06.16.18.50;	author root;	state Exp;
branches;
next	;


desc
@u
@


1.1
log
@u
@
text
@unlocked
@
