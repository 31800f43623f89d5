Saved message (this first line is not written to the file)
====================================================================
Caught by rule %RoNum% on %DateTime%
%MsgHeader%
--------------------------------------------------------------------
%MsgBody%

